#include "postscript/job_sections.h"
#include "postscript/job_text.h"
#include "postscript/number_text.h"

namespace nvx {
namespace {

// Decides which plane the device prints: band 0 takes planes 1 to 4 as CMYK,
// bands 1 to 4 a single colorant, band 5 plane 5 as gray, band 6 nothing.
void WriteDeviceTests(std::string& out) {
  Lines(out, {"/hascolor", "/deviceinfo where", "{pop deviceinfo /Colors known",
              "{deviceinfo /Colors get exec 1 gt}", "{false} ifelse}", "{/statusdict where",
              "{pop statusdict /processcolors known", "{statusdict /processcolors get exec 1 gt}",
              "{false} ifelse}", "{false} ifelse}", "ifelse", "def"});
  Lines(out,
        {"40 dict begin", "/_image systemdict /image get def",
         "/_setgray systemdict /setgray get def", "/_currentgray systemdict /currentgray get def",
         "/_settransfer systemdict /settransfer get def",
         "/_currenttransfer systemdict /currenttransfer get def"});
  Lines(out,
        {"/blank 0 _currenttransfer exec", "1 _currenttransfer exec eq def", "/negative blank",
         "{0 _currenttransfer exec 0.5 lt}", "{0 _currenttransfer exec 1 _currenttransfer exec gt}",
         "ifelse def", "/inverted? negative def"});
  Lines(out,
        {"/level2 systemdict /languagelevel known", "{languagelevel 2 ge} {false} ifelse def",
         "/level3 systemdict /languagelevel known", "{languagelevel 3 ge} {false} ifelse def"});
  Lines(out, {"/foureq {4 index eq 8 1 roll", "4 index eq 8 1 roll", "4 index eq 8 1 roll",
              "4 index eq 8 1 roll", "pop pop pop pop and and and} def"});
}

void WriteBandSelection(std::string& out) {
  Lines(out, {"hascolor {/band 0 def} {/band 5 def} ifelse", "/setcmykcolor where {pop",
              "1 0 0 0 setcmykcolor _currentgray 1 exch sub",
              "0 1 0 0 setcmykcolor _currentgray 1 exch sub",
              "0 0 1 0 setcmykcolor _currentgray 1 exch sub",
              "0 0 0 1 setcmykcolor _currentgray 1 exch sub", "4 {4 copy} repeat",
              "1 0 0 0 foureq {/band 1 store} if", "0 1 0 0 foureq {/band 2 store} if",
              "0 0 1 0 foureq {/band 3 store} if", "0 0 0 1 foureq {/band 4 store} if",
              "0 0 0 0 foureq {/band 6 store} if} if", "blank {/band 6 store} if"});
}

void WriteTransferSetup(std::string& out) {
  Lines(out, {"blank not {", "{} bind", "{} bind", "{} bind", "{} bind",
              "/__settransfer {{dummy1 exec dummy2 exec}",
              "dup 0 4 -1 roll put dup 2 _currenttransfer put", "_settransfer} def", "band 0 eq {",
              "systemdict /currentcolortransfer get exec"});
  for (std::string_view roll : {"11", "10", "9", "8"}) {
    Line(out, "{dummy1 exec dummy2 exec}");
    Line(out, "dup 0 " + std::string(roll) + " -1 roll put dup 2 7 -1 roll put");
  }
  Lines(out,
        {"systemdict /setcolortransfer get exec} if", "band 1 eq {pop pop pop __settransfer} if",
         "band 2 eq {pop pop __settransfer pop} if", "band 3 eq {pop __settransfer pop pop} if",
         "band 4 ge {__settransfer pop pop pop} if", "} if"});
}

void WriteImageGeometry(std::string& out, const ImagePlacement& image) {
  Line(out, "gsave % Image Header gsave");
  Line(out, "/rows " + BlankSignedInteger(image.rows) + " def");
  Line(out, "/cols " + BlankSignedInteger(image.cols) + " def");
  Line(out, image.position + " translate");
  Line(out, image.size + " scale");
  Lines(out, {"level2 {", "band 0 eq {", "/DeviceCMYK", "} {/DeviceGray} ifelse",
              "setcolorspace currentdict /PhotoshopDuotoneColorSpace undef currentdict "
              "/PhotoshopDuotoneAltColorSpace undef } if"});
  for (std::string_view name :
       {"/picstr1 ", "/picstr2 ", "/picstr3 ", "/picstr4 ", "/picstr5 ", "/_rowpadstr "}) {
    Line(out, std::string(name) + BlankSignedInteger(image.cols) + " string def");
  }
}

void WriteReaders(std::string& out, bool runLength) {
  Line(out, "/rawreaddata {currentfile exch readstring pop} def");
  Lines(out, {"/padreaddata { _topPad 0 gt       { /_topPad _topPad 1 sub def pop _rowpadstr }",
              "\t\t\t { _subImageRows 0 gt { /_subImageRows _subImageRows 1 sub def",
              "\t\t\t\t\t\t\t\t\tdup _leftPad _picsubstr rawreaddata putinterval }",
              "\t\t\t\t\t\t\t\t  { pop _rowpadstr } ifelse } ifelse } def"});
  Lines(out,
        {"/image2 level2 {/image load def} {{begin", "Width Height BitsPerComponent ImageMatrix",
         "Decode length 2 eq", "{/DataSource load image} if", "Decode length 6 eq",
         "{DataSource 0 get DataSource 1 get DataSource 2 get", "true 3 colorimage} if",
         "Decode length 8 eq", "{DataSource 0 get DataSource 1 get",
         "DataSource 2 get DataSource 3 get", "true 4 colorimage} if", "end} def} ifelse"});
  Lines(out,
        {"/_image2 level2 {/_image load def} {{begin", "Width Height BitsPerComponent ImageMatrix",
         "/DataSource load _image end} def} ifelse"});
  Lines(out, {"/beginimage {", "band 0 eq band 5 eq or", "{image2} if", "band 1 ge band 4 le and",
              "{{1 exch sub dummy exec} dup 3 _currenttransfer put",
              "gsave _settransfer _image2 grestore} if", "band 6 eq",
              "{negative {{pop 0}} {{pop 1}} ifelse", "_settransfer _image2} if", "} def"});
  Line(out, runLength ? "/readdata {_rld exch readstring pop} bind def"
                      : "/readdata /rawreaddata load bind def");
}

// Every row reads all five planes in order, whichever of them the device keeps.
void WriteImageDictionary(std::string& out, bool runLength) {
  Lines(out, {"12 dict begin", "/ImageType 1 def", "/Width cols def", "/Height rows def",
              "/ImageMatrix [cols 0 0 rows 0 0] def", "/BitsPerComponent 8 def", "band 0 eq",
              "{/Decode [0 1 0 1 0 1 0 1] def}", "{/Decode [0 1] def} ifelse"});
  Lines(out, {"band 0 eq {", "/MultipleDataSources true def", "/DataSource [", "{picstr1 readdata}",
              "{picstr2 readdata}", "{picstr3 readdata}", "{picstr4 readdata picstr5 readdata pop}",
              "] def} if"});
  for (int band = 1; band <= 5; ++band) {
    Line(out, band == 5 ? "band 5 ge {" : "band " + std::to_string(band) + " eq {");
    Line(out, "/DataSource {");
    for (int plane = 1; plane <= 5; ++plane) {
      Line(out, "picstr" + std::to_string(plane) + (plane == band ? " readdata" : " readdata pop"));
    }
    Line(out, "} def} if");
  }
  Line(out, "currentdict end");
  // The decoder is made where the rows begin, and reads their end-of-data
  // byte after the image so that the job's text goes on behind it.
  Line(out, runLength
                ? "{/_rld currentfile /RunLengthDecode filter def beginimage _rld flushfile} exec"
                : "beginimage");
}

}  // namespace

void WriteImageProcedure(std::string& out, const ImagePlacement& image) {
  Line(out, "%%BeginDocument: Pscript_Win_PassThrough");
  out.append("600 72 div 600 72 div scale\n");  // LF alone, as the pass-through text has it
  Line(out, "gsave %% Print PostScript gsave");
  WriteDeviceTests(out);
  WriteBandSelection(out);
  WriteTransferSetup(out);
  WriteImageGeometry(out, image);
  WriteReaders(out, image.runLength);
  WriteImageDictionary(out, image.runLength);
}

}  // namespace nvx
