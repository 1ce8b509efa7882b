#include "boards/ViewerHooks.h"

#include "viewers/U_Edit.h"
#include "viewers/U_sch.h"

namespace boards {

namespace {

ViewerHooks programViewers() {
    ViewerHooks h;
    h.showText = [](const QString& title, const QString& text) { ::ShowText(title, text); };
    h.showPicture = [](const QString& path, const QString& title) { ::ShowPicture(path, title); };
    h.showReferencePicture = [](const QString& file, const QString& caption) { ::ShowReferencePicture(file, caption); };
    return h;
}

ViewerHooks& current() {
    static ViewerHooks hooks = programViewers();
    return hooks;
}

} // namespace

ViewerHooks& viewerHooks() { return current(); }

ViewerHooks setViewerHooks(ViewerHooks hooks) {
    ViewerHooks previous = std::move(current());
    current() = std::move(hooks);
    return previous;
}

} // namespace boards
