#include "postscript/driver_resources.h"

#include "postscript/job_text.h"

namespace nvx {

void WriteErrorHandlerResource(std::string& out) {
  Lines(out, {
                 "%%BeginResource: file Pscript_WinNT_ErrorHandler 5.0 0",
                 "% On an error: tell the host on the back channel, then drop the rest of",
                 "% the job so that no image data is ever run as PostScript.",
                 "errordict/handleerror{",
                 " $error begin newerror{",
                 "  /newerror false def",
                 "  (%%[ Error: )print",
                 "  mark errorname 128 string{cvs print}stopped cleartomark",
                 "  (; OffendingCommand: )print",
                 "  mark/command load 128 string{cvs print}stopped cleartomark",
                 "  ( ]%%)= flush",
                 "  /newerror false def",
                 "  {currentfile flushfile}stopped pop",
                 " }if end",
                 "}bind put",
                 "%%EndResource",
             });
}

void WriteFatalErrorResource(std::string& out) {
  Lines(out, {
                 "%%BeginResource: file Pscript_FatalError 5.0 0 ",
                 "% (reason) FatalError: report a printer error to the host and end the job.",
                 "/FatalError{(%%[ PrinterError: )print print( ]%%)= flush stop}bind def",
                 "%%EndResource",
             });
}

void WriteLowMemoryProcedure(std::string& out) {
  Lines(out, {
                 "userdict begin/PrtVMMsg{",
                 " % needed PrtVMMsg: compare with the free virtual memory",
                 " vmstatus exch sub exch pop gt{",
                 "  initgraphics/Times-Roman findfont 12 scalefont setfont",
                 "  clippath pathbbox newpath 4 1 roll pop pop pop 48 sub",
                 "  [(This job requires more memory than is available in this printer.)",
                 "   (To print it, try one or more of the following:)",
                 "   (Print the image at a smaller size or with fewer copies on the sheet.)",
                 "   (Lower the resolution of the image before printing it.)",
                 "   (Add memory to the printer, if it can take more.)",
                 "  ]{36 2 index moveto show 16 sub}forall pop showpage",
                 "  (Low Printer VM)Pscript_WinNT_Incr/FatalError get exec",
                 " }if",
                 "}bind def end",
             });
}

void WriteWinBasicResource(std::string& out) {
  Lines(out, {
                 "%%BeginResource: file Pscript_Win_Basic 5.0 0",
                 "% featurebegin{ ... }featurecleanup: a printer feature runs under stopped,",
                 "% so one the printer lacks is skipped; what it left on the operand or",
                 "% dictionary stack is cleared and a refused feature is no error of the job.",
                 "/featurebegin{countdictstack mark}bind def",
                 "/featurecleanup{",
                 " stopped pop cleartomark",
                 " countdictstack exch sub dup 0 gt{{end}repeat}{pop}ifelse",
                 " $error/newerror false put",
                 "}bind def",
                 "/V{div}bind def",
                 "/colspRefresh{colspABC setcolorspace}bind def",
                 "/LH{showpage}bind def",
                 "%%EndResource",
             });
}

void WriteWinUtilsResource(std::string& out) {
  Lines(out, {
                 "%%BeginResource: file Pscript_Win_Utils_L2 5.0 0",
                 "% matrix flag dict initialize: opens the procedure set for the job. The",
                 "% matrix and flag place pages on a larger sheet, which this job never does.",
                 "/initialize{begin pop pop}bind def",
                 "% dict suspend / dict terminate: close it if it is the current dictionary;",
                 "% dict resume: open it again.",
                 "/suspend{currentdict eq{end}if}bind def",
                 "/resume{begin}bind def",
                 "/terminate{currentdict eq{end}if}bind def",
                 "% After a resource was loaded the page's colour space is chosen again.",
                 "/reinitialize{colspRefresh}bind def",
                 "%%EndResource",
             });
}

void WriteCompatResource(std::string& out) {
  Lines(out, {
                 "%%BeginResource: file Pscript_WinNT_Compat 5.0 0",
                 "% Passed-through PostScript runs in its own dictionary and starts from the",
                 "% page's coordinate system, $x (the job stores its page matrix there).",
                 "userdict/Pscript_WinNT_Compat 4 dict dup begin put",
                 "/$x matrix def",
                 "/initialize{begin initmatrix $x concat}bind def",
                 "/suspend{currentdict eq{end}if}bind def",
                 "end",
                 "%%EndResource",
             });
}

}  // namespace nvx
