#include "postscript/driver_resources.h"
#include "postscript/job_sections.h"
#include "postscript/job_text.h"

namespace nvx {
namespace {

void WriteHeaderComments(std::string& out, const JobValues& values) {
  Line(out, "%!PS-Adobe-3.0");
  Line(out, "%%Title: " + values.title);
  Line(out, "%%Creator: PScript5.dll Version 5.2.2");
  Line(out, "%%CreationDate: " + values.creationDate);
  Lines(out, {"%%For: NVX", "%%BoundingBox: (atend)", "%%DocumentNeededResources: (atend)",
              "%%DocumentSuppliedResources: (atend)", "%%P8BIT", "%%DocumentData: Clean8Bit",
              "%%TargetDevice: (C610) (3017) 6", "%%LanguageLevel: 3", "%%EndComments", "",
              "%%BeginDefaults", "%%ViewingOrientation: 1 0 0 1", "%%EndDefaults", ""});
}

// Sent without the featurebegin wrapper: it must run before the prologue.
void WriteJobPatchFeature(std::string& out) {
  Lines(out, {"[{", "%%BeginFeature: *JobPatchFile 0", "", "",
              "%%BeginProcSet: OKI_Default_Color_Setting 1.1 0",
              "globaldict /OK@_CustLimitChk true put", "/DriverOps /ProcSet 2 copy resourcestatus{",
              " pop pop findresource dup", " /initdriverops 2 copy known{get exec}{pop pop}ifelse",
              " /initalwayprnht 2 copy known{get exec}{pop pop}ifelse", "}{pop pop}ifelse",
              "%%EndProcSet", "", "", "%%EndFeature", "} stopped cleartomark", ""});
}

constexpr std::string_view kOkiBanner = "%-------------------------------------------------";

// Rows of the printer's paper parameter table, indexed by OK@setpageregion.
constexpr std::string_view kPaperParameterRows[] = {
    "  [ [595 842]  null dup dup  true false null ] % 0:  A4",
    "  [ [612 792]  null dup dup  true false null ] % 1:  Letter",
    "  [ [612 1008] null 0   null true false null ] % 2:  Legal",
    "  [ [612 936]  null 0   null true false null ] % 3:  FanFoldGermanLegal",
    "  [ [729 1032] null 0   null true false null ] % 4:  B4",
    "  [ [420 595]  null 0   null true false null ] % 5:  A5",
    "  [ [284 419]  null 0   null true false null ] % 6:  Postcard",
    "  [ [568 419]  null 2   null true false null ] % 7:  DoublePostcard",
    "  [ [216 360]  null 0   null true dup   null ] % 8:  OKIndexCard",
    "  [ [156 255]  null 0   null true dup   null ] % 9:  OKBCardJ",
    "  [ [145 252]  null 0   null true dup   null ] % 10: OKBCardUS",
    "  [ [340 666]  null 3   null true dup   0    ] % 11: EnvChou3",
    "  [ [255 581]  null 3   null true dup   null ] % 12: EnvChou4",
    "  [ [298 666]  null 3   null true dup   null ] % 13: EnvYou4",
    "  [ [612 842]  null 2   null true dup   null ] % 14: Envelope4",
    "  [ [680 941]  null 2   null true dup   null ] % 15: EnvKaku2",
    "  [ [612 785]  null 3   null true dup   null ] % 16: EnvKaku3",
    "  [ [337 558]  null 3   null true dup   null ] % 17: EnvKaku8",
    "  [ [340 666]  null 3   null true dup   1    ] % 18: OKEnvYou0",
    "  [ [516 729]  null dup dup  true false null ] % 19: B5",
    "  [ [297 420]  null 0   null true false null ] % 20: A6",
    "  [ [279 540]  null 0   null true dup   null ] % 21: EnvMonarch",
    "  [ [312 624]  null 0   null true dup   null ] % 22: EnvDL",
    "  [ [459 649]  null 0   null true dup   null ] % 23: EnvC5",
    "  [ [297 684]  null 0   null true dup   null ] % 24: Env10",
    "  [ [522 756]  null 0   null true false null ] % 25: Executive",
    "  [ [842 1191] null 0   null true false null ] % 26: A3",
    "  [ [930 1284] null 0   null true false null ] % 27: A3nobi",
    "  [ [649 918]  null 0   null true dup   null ] % 28: EnvC4",
    "  [ [279 639]  null 0   null true dup   null ] % 29: Env9",
    "  [ [612 972]  null 0   null true false null ] % 30: OKLegal",
    "  [ [792 1224] null 0   null true false null ] % 31: Tabloid",
    "  [ [907 1276] null 0   null true false null ] % 32: A3wide",
    "  [ [864 1296] null 0   null true false null ] % 33: TabloidExtra",
    "  [ [419 568]  null 0   null true false null ] % 34: DoublePostcard - OSX",
    "  [ [666 340]  null 3   null true dup   0    ] % 35: EnvChou3Rotated",
    "  [ [581 255]  null 3   null true dup   null ] % 36: EnvChou4Rotated",
    "  [ [666 298]  null 3   null true dup   null ] % 37: EnvYou4Rotated",
    "  [ [842 612]  null 2   null true dup   null ] % 38: Envelope4Rotated",
    "  [ [396 612]  null 0   null true false null ] % 39: Statement",
    "  [ [216 360]  null 0   null true dup   null ] % 40: 3 x 5in",
    "  [ [288 432]  null 0   null true dup   null ] % 41: 4 x 6in",
    "  [ [360 504]  null 0   null true dup   null ] % 42: 5 x 7in",
};

// Replaces the paper parameter table of printers whose DriverOps procedure
// set is older than edit version 56.
void WriteDriverPatchResource(std::string& out) {
  Lines(out, {"%%BeginResource: OKI_Driver_Procedure_Patch_Resource 1.0 0",
              kOkiBanner,
              "%% OKI Driver Procedure ver 1.0",
              "%%    Date: May. 09, 2007  Edt: 01",
              kOkiBanner,
              "",
              "/OK@setpagedevice_sadj where {pop}{",
              " /OK@setpagedevice_sadj /setpagedevice load def",
              "/OK@PageDevice_Install_proc currentpagedevice /Install get def",
              "<< /Install { mark currentstrokeadjust OK@PageDevice_Install_proc setstrokeadjust "
              "cleartomark } >> setpagedevice",
              "}ifelse",
              "",
              "/DriverOps /ProcSet 2 copy resourcestatus{",
              " pop pop findresource ",
              "%% numeric of next line is Latest Version of ProcSet ",
              " dup /editversion 2 copy known {get exec exch pop 56 lt}{pop pop false}ifelse",
              "{",
              " dup length dict copy begin",
              "",
              "%% begin definition",
              "",
              "/paperparamarray",
              "{",
              " [",
              "  % PageSize MediaType LeadingEdge MediaWeight Policies7 UseMPT EnvType"});
  for (std::string_view row : kPaperParameterRows) Line(out, row);
  Lines(out, {"", " ]", "}executeonly def", "", "", "%% end definition", "", "currentdict end",
              "/DriverOps exch /ProcSet defineresource pop", "", "}{pop}ifelse",
              "}{pop pop (Failed) print flush}ifelse", "%%EndResource", ""});
}

void WriteInitLoadProcSet(std::string& out) {
  Lines(out,
        {"%%BeginProcSet: OKI_InitLoad_ProcSet 1.0 0", kOkiBanner,
         "%% OKI Load Initial DriverOps Proc ver 1.0", "%%    Date: Jan. 9, 2004  Edt: 4",
         kOkiBanner, "/DriverOps /ProcSet 2 copy resourcestatus{", " pop pop findresource dup dup",
         " /initscreenobo 2 copy known{get exec}{pop pop}ifelse",
         " /initimagesmooth 2 copy known{get exec}{pop pop}ifelse",
         " /initsetstorokeadjust 2 copy known{get exec}{pop pop}ifelse", "}{pop pop}ifelse",
         "%%EndProcSet", ""});
}

// The printer's own job parser expects these three lines with a doubled line feed.
void WriteLayoutGlobals(std::string& out) {
  for (std::string_view line :
       {"globaldict /OK@NupNumber 1 put ", "globaldict /OK@Orientation 0 put ",
        "globaldict /OK@ColorMono 2 put "}) {
    out.append(line).append("\r\n\n");
  }
}

void WriteMemoryCheck(std::string& out) {
  WriteLowMemoryProcedure(out);
  Lines(out, {"version cvi 2016 ge{/VM?{pop}bind def}{/VM? userdict/PrtVMMsg get def}ifelse",
              "105000 VM?"});
}

}  // namespace

void WriteHeaderAndPrologue(std::string& out, const JobValues& values) {
  WriteHeaderComments(out, values);
  WriteJobPatchFeature(out);
  Lines(out, {"%%BeginProlog", ""});
  WriteDriverPatchResource(out);
  WriteInitLoadProcSet(out);
  WriteLayoutGlobals(out);
  WriteErrorHandlerResource(out);
  Line(out, "userdict /Pscript_WinNT_Incr 230 dict dup begin put");
  WriteFatalErrorResource(out);
  WriteMemoryCheck(out);
  WriteWinBasicResource(out);
  WriteWinUtilsResource(out);
  Lines(out, {"end", "%%EndProlog"});
}

}  // namespace nvx
