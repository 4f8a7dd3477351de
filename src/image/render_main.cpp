// nvxprint-render: renders one page of vector artwork (PDF, SVG, EPS,
// PostScript) for nvxprint, as a process of its own under the limits nvxprint
// sets, so that a hostile file ends only this process. Started by nvxprint only.
#include "image/decode_vector.h"
#include "platform/child_process.h"

int main(int argc, char** argv) { nvx::platform::ServeAsChild(argc, argv, nvx::ServeRender); }
