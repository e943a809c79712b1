// GuiEditorBase's X11 side. Drags there are tracked from the frame's events, not
// by a loop inside one press, so a wait step has nothing to pause for and the
// frame's own event pump does the painting.
#include "editor/GuiEditorBase.h"

namespace qp {

struct GuiEditorBase::Platform {};

void GuiEditorBase::PlatformDelete::operator()(Platform* platform) const { delete platform; }

GuiEditorBase::Platform* GuiEditorBase::openPlatform() { return new Platform; }

std::uint32_t GuiEditorBase::pause() { return 0; }

void GuiEditorBase::paintPending() {}

}  // namespace qp
