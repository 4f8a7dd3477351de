// nvxprint-decode: decodes one image file for nvxprint, as a process of its
// own under the limits nvxprint sets, so that a decoder's crash, hang or
// runaway allocation ends only this process. Started by nvxprint only.
#include "image/decode_child.h"

int main(int argc, char** argv) { nvx::platform::ServeAsChild(argc, argv, nvx::ServeDecode); }
