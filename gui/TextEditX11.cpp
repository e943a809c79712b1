// TextEdit on X11. For now no edit field opens (as on Windows when the frame has
// no window), so editing never starts. The toolkit-drawn single-line field comes
// here.
#include "gui/TextEdit.h"

namespace qp {

struct TextEdit::Platform {};

void TextEdit::PlatformDelete::operator()(Platform* platform) const { delete platform; }

void TextEdit::takeFocus(DrawContext*) {}

bool TextEdit::closeEditWindow(bool) { return false; }

void TextEdit::readEditWindowText() {}

}  // namespace qp
