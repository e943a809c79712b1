// What only the Windows back end of the frame offers: file and text drops
// through OLE. Brings in the OLE declarations; for Win32 files only.
#pragma once

#include <ole2.h>

namespace qp {

class Frame;

// Makes the OLE drop target that a frame registers for its window. The platform
// holds the only reference (taken by registration, dropped by revocation), so the
// target must start with a count of 0. Installed once by the product; without a
// factory the frame's window takes no drops.
using DropTargetFactory = IDropTarget* (*)(Frame* frame);

void setDropTargetFactory(DropTargetFactory factory);

}  // namespace qp
