#include "boards/ViewerHooks.h"

#ifdef LG_BOARDS_WITH_VIEWERS
#include "viewers/U_Edit.h"
#include "viewers/U_sch.h"
#endif

namespace boards {

namespace {

ViewerHooks programViewers() {
    ViewerHooks h;
#ifdef LG_BOARDS_WITH_VIEWERS
    h.showText = [](const QString& title, const QString& text) { ::ShowText(title, text); };
    h.showPicture = [](const QString& path, const QString& title) { ::ShowPicture(path, title); };
    h.showReferencePicture = [](const QString& file, const QString& caption) { ::ShowReferencePicture(file, caption); };
#endif
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
