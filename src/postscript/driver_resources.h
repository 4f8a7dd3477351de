#pragma once

#include <string>

namespace nvx {

// The procedure sets the job text relies on. Each writer emits one resource,
// from its BeginResource comment to its EndResource comment.

// errordict's handleerror: reports an error on the back channel and skips the
// rest of the job, so the raw image bytes are never run as PostScript.
void WriteErrorHandlerResource(std::string& out);

// FatalError: (reason) FatalError reports a printer error and stops the job.
void WriteFatalErrorResource(std::string& out);

// PrtVMMsg: prints advice and stops the job when the printer lacks memory.
void WriteLowMemoryProcedure(std::string& out);

// featurebegin/featurecleanup, V, colspRefresh, LH.
void WriteWinBasicResource(std::string& out);

// initialize, suspend, resume, terminate and reinitialize of Pscript_WinNT_Incr.
void WriteWinUtilsResource(std::string& out);

// The Pscript_WinNT_Compat dictionary in which passed-through PostScript runs.
void WriteCompatResource(std::string& out);

}  // namespace nvx
