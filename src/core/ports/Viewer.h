#pragma once

#include <string>

#include "ports/LineTarget.h"

namespace corvane {

// A viewer window as the readers see it: a text area taking lines, two
// status panels and the end-of-loading step.
class Viewer {
  public:
    virtual ~Viewer() = default;
    virtual LineTarget& Lines() = 0;
    virtual std::string Caption() const = 0;
    virtual void SetStatus(int panel, const std::string& text) = 0;
    // Makes the text area visible at once (the header dump shows while it fills).
    virtual void ShowText() = 0;
    // Enables the window, puts the caret at the top, shows and focuses the text.
    virtual void FinishLoading() = 0;
};

// Makes the decoder's header-dump window; the window outlives the decoder.
class ViewerFactory {
  public:
    virtual ~ViewerFactory() = default;
    virtual Viewer* CreateDumpViewer() = 0;
};

}  // namespace corvane
