// The pop edit control on Windows: its pop-up is a CPopupEdit just below the
// text area, in the text writer's font.
#pragma once

#include "controls/TevPopEditControl.h"

class CTevViewFactory;

class CPopEditControl : public CTevPopEditControl {
public:
    void OpenPopup() override { OpenEditor(); }
    // Shows the editor; a confirmed text goes to CommitText. Always ends with
    // the button released and no active view.
    void OpenEditor();
};

// Makes the view factory create CPopEditControl for the tag "edit".
void RegisterPopEditControl(CTevViewFactory& factory);
