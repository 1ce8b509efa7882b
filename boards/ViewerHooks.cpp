#include "boards/ViewerHooks.h"

namespace boards {

namespace {
ViewerHooks& current() {
    static ViewerHooks hooks;
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
