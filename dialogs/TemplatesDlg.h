#pragma once

#include <QTimer>
#include <string>
#include <vector>

#include "dialogs/SpreadsheetViewer.h"
#include "templates/TemplateStore.h"
#include "templates/TextTemplate.h"
#include "ui/TemplateDialog.h"

// The control IDs of the text templates dialog.
enum TemplatesDlgControl {
    IDC_COMMA = 1000,
    IDC_TAB = 1001,
    IDC_SEMICOLON = 1002,
    IDC_DECIMAL_COMMA = 1003,
    IDC_ENCODING = 1004,
    IDC_FIND_COLUMNS = 1005,
    IDC_NAME_INDEX = 1010,
    IDC_LATITUDE_INDEX = 1011,
    IDC_LONGITUDE_INDEX = 1012,
    IDC_COMMENT_INDEX = 1013,
    IDC_FIRST_WAYPOINT_INDEX = 1014,
    IDC_VIEW_IN_SPREADSHEET = 1015,
    IDC_HINT = 1017,
    IDC_ABORT = 1018,
    IDC_TEMPLATE_NAME = 1019,
    IDC_DELETE_CURRENT = 1023,
    IDC_DELETE_ALL = 1024,
    IDC_PREVIEW = 1040,
    IDC_PREVIEW_MESSAGE = 1041,
};

// The dialog in which the person picks the template of a text file, defines a
// new one (by hand, or from the titles of the file's first line) or deletes
// stored ones. Beside the fields, a preview shows the first rows of the file as
// the fields read them, marking the rows a conversion would question; it
// follows every change of the fields. The encoding chosen applies to the file
// at hand, and is stored with a new template.
//
// exec() loads the store; it returns Accepted (IDOK) when the chosen template
// is in the caller's record, Rejected (IDCANCEL) when the person gave up or
// the store could not be opened. The store is saved on OK, and on Abort when
// the person asks for it.
class CTemplatesDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CTemplatesDlg(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                  bool bTextFileIsEmpty, const std::string& storePath, QWidget* pOwner,
                  CSpreadsheetViewer viewer = CSpreadsheetViewer::FindOnSystem());

    int exec() override;
    // Escape and the close box: IDCANCEL at once, nothing saved (not while the
    // spreadsheet program runs).
    void reject() override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool OnInitDialog();
    void OnSelchangeTemplateName(int nIndex);
    void OnEditchangeTemplateName(const QString& text);
    void OnOK();
    void OnDeleteCurrent();
    void OnDeleteAll();
    void OnAbort();
    void OnViewInExcel();
    void OnFindColumns();

    void ShowTemplate(const CTextTemplate& record);
    void ShowFields(const CTextTemplate& record);
    void ResetFields();
    void EnableDefinition(bool bEnable);
    void MakeOkDefault();
    bool ReadFields(CTextTemplate& record);
    char ChosenDelimiter() const;
    TextEncoding ChosenEncoding() const;
    void SaveStore();
    // The layout the fields give as they stand: a column without valid letters
    // reads nothing, a row without a number is the first.
    CTextTemplate LayoutOfFields() const;
    void ShowPreview();

    CTextTemplate* m_pChosenTemplate;
    std::string m_textFilePath;
    bool m_bTextFileIsEmpty;
    std::string m_storePath;
    CSpreadsheetViewer m_viewer;
    CTemplateStore m_store;  // as loaded, less the deletes, plus the adds
    std::vector<std::string> m_deletedNames;
    std::vector<CTextTemplate> m_added;
    bool m_bModified = false;
    int m_nListTop = -1;      // the list entry to show at the top when the list opens
    bool m_bViewing = false;  // the spreadsheet program runs; the dialog takes no input
    QTimer m_previewTimer;    // one preview for a burst of changes
};
