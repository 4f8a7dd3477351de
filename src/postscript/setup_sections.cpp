#include "postscript/driver_resources.h"
#include "postscript/job_sections.h"
#include "postscript/job_text.h"

namespace nvx {
namespace {

constexpr int kProgressAfterInitialize = 25;

void WriteTimeouts(std::string& out) {
  Lines(out, {"featurebegin{", "%%BeginNonPPDFeature: JobTimeout 0",
              "0 /languagelevel where{pop languagelevel}{1}ifelse 2 ge{1 dict dup/JobTimeout  4 -1 "
              "roll put setuserparams}{statusdict/setjobtimeout get exec}ifelse",
              "%%EndNonPPDFeature", "}featurecleanup", ""});
  Lines(out, {"featurebegin{", "%%BeginNonPPDFeature: WaitTimeout 300",
              "300 /languagelevel where{pop languagelevel}{1}ifelse 2 ge{1 dict dup/WaitTimeout 4 "
              "-1 roll put setuserparams}{statusdict/waittimeout 3 -1 roll put}ifelse",
              "%%EndNonPPDFeature", "}featurecleanup", ""});
}

// Automatic tray switching stays off whatever the user chose.
void WriteTraySwitch(std::string& out) {
  Lines(out,
        {"featurebegin{", "%%BeginFeature: *TraySwitch False",
         "1 dict dup /TraySwitch false put setpagedevice", "%%EndFeature", "}featurecleanup", ""});
}

void WriteJobFeatures(std::string& out) {
  FeatureBlock(out, "OKJob_Type Normal", {" globaldict /OK@_Type 0 put"});
  FeatureBlock(out, "OKCollate False", {" << /Collate false >> setpagedevice"});
}

void WriteQualityFeatures(std::string& out) {
  FeatureBlock(out, "OKScreenObo True", {" globaldict /OK@bscreenobo true put"});
  FeatureBlock(
      out, "OKResolution FINE",
      {" /DriverOps /ProcSet 2 copy resourcestatus{", "  pop pop findresource",
       "  dup /headresolution 2 copy known{", "   get exec 600 eq{[600 1200]}{[1200 1200]}ifelse",
       "  }{pop pop [600 1200]}ifelse", "  600 0 1 2 6 -1 roll /setokresolution get exec",
       " }{pop pop}ifelse"});
  FeatureBlock(out, "OKHairLine True",
               {" globaldict /OK@bstrokeadj true put", " true setstrokeadjust"});
}

void WriteHandlingFeatures(std::string& out) {
  FeatureBlock(out, "OKManualFeed False", {" 1 dict dup /ManualFeed false put setpagedevice"});
  FeatureBlock(
      out, "Duplex None",
      {" <<", " /Duplex false /Tumble false /Policies << /Duplex 2 >>", " >> setpagedevice"});
  FeatureBlock(out, "OKSeparationorder OFF", {" << /Separations false >> setpagedevice"});
}

// The planes arrive ready for the printer, so its colour management stays in
// one fixed state: none of these blocks follows the user's choices.
void WriteColourModeFeatures(std::string& out) {
  FeatureBlock(
      out, "OKControl Graph",
      {" globaldict /OK@ColorMono 2 copy known{pop pop}{0 put}ifelse",
       " /DriverOps /ProcSet 2 copy resourcestatus{", "  pop pop findresource",
       "  globaldict /OK@ColorMono get 1 eq{",
       "   5 4 false <</SelectHalftone 1>> true 6 -1 roll }{",
       "   1 2 false <</SelectColorMode 2 /SelectHalftone 1>> false 6 -1 roll", "   }ifelse",
       "  /setcolmode 2 copy known{get exec}{7{pop}repeat}ifelse", " }{pop pop}ifelse"});
  FeatureBlock(out, "OKTargetColor None",
               {" globaldict /OK@_ColorSelect 2 copy known{get 1 eq{",
                " /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource <</CMYKTransform 1>> exch /setdrinfo get exec",
                " }{pop pop}ifelse", " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKColorICMS ICCPro",
               {" globaldict /OK@_ColorSelect 2 copy known{get 2 eq{",
                " globaldict /OK@_ICMS 1 put", " /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource <</SelectColorMode 2 /InkSimulation 0>> exch /setdrinfo get "
                "exec",
                " }{pop pop}ifelse", " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKBlackSubGra Glossy",
               {" globaldict /OK@_ICMS 2 copy known{get 2 le{",
                " /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource 1 exch /setdri_bk get exec", " }{pop pop}ifelse",
                " /ColorRendering /ProcSet 2 copy resourcestatus{",
                " pop pop findresource 0 exch /setcmout get exec", " }{pop pop}ifelse",
                " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKColorRenderStyle Natural",
               {" globaldict /OK@_ColorSelect 2 copy known{ get 1 eq{",
                " currentpagedevice /UseCIEColor 2 copy known{get not{",
                " /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource dup 2 exch /setdri_cm get exec 1 exch /setcrd get exec",
                " }{pop pop}ifelse", " }if}{pop pop}ifelse", " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKColorRenderDict Perceptual",
               {" globaldict /OK@_ICMS 2 copy known{get 2 le{",
                " /ColorRendering /ProcSet 2 copy resourcestatus{",
                " pop pop findresource 0 exch /setrenderingintent get exec", " }{pop pop}ifelse",
                " }if}{pop pop}ifelse"});
}

void WriteProfileFeatures(std::string& out) {
  FeatureBlock(out, "OKCMYKProfile Link",
               {" globaldict /OK@_ICMS 2 copy known{get 1 eq{", " globaldict /OK@_CMYK_IN_LN 2 put",
                " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKRGBProfile OutType1",
               {" globaldict /OK@_ICMS 2 copy known{ get 2 le{",
                " /ColorRendering /ProcSet 2 copy resourcestatus{",
                " pop pop findresource 1 exch /setrgbuserprofile get exec", " }{pop pop}ifelse",
                " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKCMYKInputProfile InputType4",
               {" globaldict /OK@_ICMS 2 copy known { get 1 eq {",
                " /ColorRendering /ProcSet 2 copy resourcestatus{",
                " pop pop findresource 1 exch /setcmykuserprofile get exec", " }{pop pop}ifelse",
                " }if }{pop pop}ifelse"});
  FeatureBlock(
      out, "OKCMYKLinkProfile None",
      {" /DriverOps /ProcSet 2 copy resourcestatus{",
       " pop pop findresource false 0 3 -1 roll /setoklinkprof get exec", " }{pop pop}ifelse"});
  FeatureBlock(out, "OKOutProfile Auto", {""});
  FeatureBlock(out, "OKSimProfile None",
               {" globaldict /OK@_ICMS 2 copy known{get 2 eq{",
                " /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource <</CMYKTransform 1>> exch /setdrinfo get exec",
                " }{pop pop}ifelse", " }if }{pop pop}ifelse"});
}

void WriteBlackFeatures(std::string& out) {
  FeatureBlock(
      out, "OKPureBlack True",
      {" /ColorRendering /ProcSet 2 copy resourcestatus{",
       " pop pop findresource 1 exch /setblackpreservation get exec", " }{pop pop}ifelse"});
  FeatureBlock(out, "OKPreserveBlack True",
               {" globaldict /OK@_ICMS 2 copy known{", " get 2 le{",
                " /DriverOps /ProcSet 2 copy resourcestatus{", " pop pop findresource",
                " globaldict /OK@_CMYK_IN_LN 2 copy known{", "  get 2 eq{2}{1}ifelse",
                " }{pop pop 1}ifelse", " <</CustomCMYKMode 3 -1 roll>> exch /setdrinfo get exec",
                " }{pop pop}ifelse", " }if", " }{pop pop}ifelse"});
  FeatureBlock(out, "OKImageSmoothing False", {" globaldict /OK@b_ISmooth false put"});
  FeatureBlock(out, "OKColorMatch Normal",
               {" globaldict /OK@_ICMS 2 copy known{get 2 le{",
                " /ColorRendering /ProcSet 2 copy resourcestatus{",
                " pop pop findresource 2 exch /setcoloroperationtype get exec", " }{pop pop}ifelse",
                " }if }{pop pop}ifelse"});
  FeatureBlock(out, "OKAlwaysPrnHT True",
               {" /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource /initalwayprnht get exec",
                " globaldict /OK@_AlwaysPrHT true put", " }{pop pop}ifelse"});
  FeatureBlock(out, "OKOverPrint False", {" globaldict /OK@_K_OVP false put"});
  FeatureBlock(out, "OKDrumClean OFF", {});
  FeatureBlock(out, "OKHDDSpool False", {});
}

void WritePageMatrix(std::string& out, const std::string& pageOrigin) {
  Line(out, "1 setlinecap 1 setlinejoin");
  Line(out, "/mysetup [ 72 600 V 0 0 -72 600 V " + pageOrigin + " ] def");
  Lines(out, {"", "%%EndSetup", "", "userdict begin /ehsave save def end", "%%EndPageComments"});
}

}  // namespace

void WriteSetupStart(std::string& out, const UiHooks& hooks) {
  Lines(out, {"%%BeginSetup",
              "statusdict begin (%%[ ProductName: ) print product print ( ]%%)= flush end",
              "[ 1 0 0 1 0 0 ] false Pscript_WinNT_Incr dup /initialize get exec"});
  hooks.Progress(kProgressAfterInitialize);
  Line(out);
  WriteTimeouts(out);
  WriteTraySwitch(out);
}

// n as a binary token (0x85: 32-bit integer, low byte first) so that the
// count needs no number parsing on the printer.
void WriteCopiesBlock(std::string& out, int copies) {
  if (copies <= 1) return;
  const std::string count = std::to_string(copies);
  Line(out, "featurebegin{");
  Line(out, "%%BeginNonPPDFeature: NumCopies " + count);
  out.push_back(static_cast<char>(0x85));
  out.push_back(static_cast<char>(copies & 0xFF));
  out.append(3, '\0');
  Line(out, " /languagelevel where {pop languagelevel}{1} ifelse");
  Lines(out, {"2 ge { 1 dict dup /NumCopies 4 -1 roll put setpagedevice }{ userdict /#copies 3 -1 "
              "roll put } ifelse",
              "%%EndNonPPDFeature", "}featurecleanup", ""});
}

void WriteSetupFeatures(std::string& out, const JobValues& values) {
  WriteJobFeatures(out);
  out.append(values.inputSlotBlock);
  out.append(values.paper.paperSizeBlock);
  out.append(values.outputBinBlock);
  WriteQualityFeatures(out);
  out.append(values.mediaBlock);
  Line(out);
  WriteHandlingFeatures(out);
  out.append(PageSizeCheckFeature());
  WriteColourModeFeatures(out);
  WriteProfileFeatures(out);
  WriteBlackFeatures(out);
  WritePageMatrix(out, values.paper.pageOrigin);
}

void WritePageSetup(std::string& out) {
  Line(out, "%%BeginPageSetup");
  FeatureBlock(out, "OKEnvRotate False",
               {" /DriverOps /ProcSet 2 copy resourcestatus{",
                " pop pop findresource /winpagerotate get exec", " }{pop pop}ifelse"});
  FeatureBlock(out, "OKOverlay NotUse", {" globaldict /OK@_Overlay 0 put"});
  for (std::string_view feature : {"Resolution 600dpi", "OKOptionTray 0", "OKOptionDuplex False",
                                   "OKHDD False", "InstalledMemory 256MB", "OKJobLimit False"}) {
    FeatureBlock(out, feature, {});
  }
  Lines(out, {"/DeviceRGB dup setcolorspace /colspABC exch def", "mysetup concat colspRefresh",
              "%%EndPageSetup", "", "30000 VM?", "Pscript_WinNT_Incr begin"});
  WriteCompatResource(out);
  Lines(out, {"end reinitialize", "Pscript_WinNT_Compat begin /$x mysetup def end",
              "Pscript_WinNT_Incr dup /suspend get exec",
              "Pscript_WinNT_Compat dup /initialize get exec"});
}

}  // namespace nvx
