#pragma once

#include <string>

#include "job/UserInterface.h"
#include "ui/TemplateDialog.h"

// Asks what to do with a target file that already exists: replace it, append
// to it, or abort. A click on an option is the whole answer and closes the
// dialog; Escape or the close box leave the choice at None.
class CExistingFileDlg : public CTemplateDialog {
    Q_OBJECT
public:
    enum ControlId : int {
        ID_REPLACE = 1017,
        ID_ABORT = 1018,
        ID_APPEND = 1020,
        ID_PATH = 1023,
    };

    static const DialogTemplate& Template();

    explicit CExistingFileDlg(const std::string& path, QWidget* pOwner = nullptr);

    ExistingFileChoice Choice() const { return m_choice; }

private:
    void Choose(ExistingFileChoice choice);

    ExistingFileChoice m_choice = ExistingFileChoice::None;
};
