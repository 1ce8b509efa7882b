#pragma once
// The board forms open the text and picture viewers through these three calls, so that the forms do not
// depend on how the viewers are built and tests can watch what a board asks for.
#include <QString>

#include <functional>

namespace boards {

struct ViewerHooks {
    // Title and text of the text viewer.
    std::function<void(const QString& title, const QString& text)> showText;
    // Full path and title of the picture viewer; called only for an existing file.
    std::function<void(const QString& path, const QString& title)> showPicture;
    // A reference picture by file name (no folder) and caption.
    std::function<void(const QString& fileName, const QString& caption)> showReferencePicture;
};

// The hooks in force; they start connected to the program's viewers where those are built.
ViewerHooks& viewerHooks();
// Replaces the hooks (tests); returns the previous ones.
ViewerHooks setViewerHooks(ViewerHooks hooks);

} // namespace boards
