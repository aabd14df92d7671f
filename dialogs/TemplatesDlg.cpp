#include "dialogs/TemplatesDlg.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>
#include <iterator>

#include "dialogs/TextFilePreview.h"
#include "engine/WaypointTable.h"
#include "files/Coordinates.h"
#include "files/TitleRow.h"
#include "templates/ColumnLetters.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"

namespace {

constexpr unsigned DISABLED_TAB_STOP = STYLE_TAB_STOP | STYLE_DISABLED;
constexpr unsigned COLUMN_EDIT = DISABLED_TAB_STOP | STYLE_UPPER_CASE;

constexpr const char* VIEW_BUTTON_TEXT = "Watch/edit file structure in a spreadsheet";

// A labelled index edit inside a group box, at the row's top in dialog units.
std::vector<ControlTemplate> IndexRow(int nId, const char* pLabel, int y, unsigned style) {
    return {{IDC_STATIC, ControlKind::Label, pLabel, 17, y + 3, 110, 8, STYLE_NONE},
            {nId, ControlKind::Edit, "", 130, y, 60, 14, style}};
}

// How many waypoint rows the preview shows.
constexpr size_t PREVIEW_ROWS = 20;

DialogTemplate MakeTemplate() {
    DialogTemplate dialog{"Pathfolio - Text Templates", 600, 392, true, {}};
    auto add = [&dialog](std::vector<ControlTemplate> controls) {
        dialog.controls.insert(dialog.controls.end(), controls.begin(), controls.end());
    };
    add({{IDC_STATIC, ControlKind::Label, "Select/enter template name: ", 7, 7, 170, 8},
         {IDC_TEMPLATE_NAME, ControlKind::ComboBox, "", 7, 18, 170, 14, STYLE_TAB_STOP},
         {IDC_HINT, ControlKind::Label,
          "Insert Indexes/delimiter,according structure of current text file:", 7, 90, 245, 18,
          STYLE_DISABLED},
         {IDC_STATIC, ControlKind::GroupBox, "Columns Indexes (alphabet characters - A,B...) ", 7,
          118, 245, 108}});
    add(IndexRow(IDC_NAME_INDEX, "Name Index ...................", 136, COLUMN_EDIT));
    add(IndexRow(IDC_LATITUDE_INDEX, "Latitude Index ...............", 158, COLUMN_EDIT));
    add(IndexRow(IDC_LONGITUDE_INDEX, "Longitude Index ............", 180, COLUMN_EDIT));
    add(IndexRow(IDC_COMMENT_INDEX, "Comment Index .............", 202, COLUMN_EDIT));
    add({{IDC_STATIC, ControlKind::GroupBox, "Rows Indexes (numeric characters - 1,2...) ", 7, 244,
          245, 42}});
    add(IndexRow(IDC_FIRST_WAYPOINT_INDEX, "First Waypoint Index ...... ", 262,
                 DISABLED_TAB_STOP | STYLE_NUMBER));
    add({{IDC_STATIC, ControlKind::GroupBox, "Delimiter", 7, 304, 245, 60},
         {IDC_COMMA, ControlKind::RadioButton, "&Comma", 17, 322, 60, 10,
          DISABLED_TAB_STOP | STYLE_GROUP},
         {IDC_TAB, ControlKind::RadioButton, "&Tab", 17, 340, 60, 10, STYLE_DISABLED},
         {IDC_SEMICOLON, ControlKind::RadioButton, "&Semicolon", 90, 322, 60, 10, STYLE_DISABLED},
         {IDC_DECIMAL_COMMA, ControlKind::CheckBox, "&Write decimal commas (47,5)", 90, 340, 150,
          10, DISABLED_TAB_STOP},
         {IDC_STATIC, ControlKind::Label, "Encoding:", 7, 374, 40, 8},
         {IDC_ENCODING, ControlKind::ComboBox, "", 50, 371, 127, 14, STYLE_TAB_STOP},
         {IDC_FIND_COLUMNS, ControlKind::PushButton, "&Find columns from the first line", 7, 55,
          170, 14, DISABLED_TAB_STOP},
         {IDOK, ControlKind::PushButton, "OK", 190, 7, 62, 14, DISABLED_TAB_STOP},
         {IDC_ABORT, ControlKind::PushButton, "Abort", 190, 25, 62, 14,
          STYLE_TAB_STOP | STYLE_DEFAULT},
         {IDC_DELETE_CURRENT, ControlKind::PushButton, "Delete current", 190, 43, 62, 14,
          DISABLED_TAB_STOP},
         {IDC_DELETE_ALL, ControlKind::PushButton, "Delete all", 190, 61, 62, 14,
          DISABLED_TAB_STOP},
         {IDC_VIEW_IN_SPREADSHEET, ControlKind::PushButton, VIEW_BUTTON_TEXT, 7, 37, 170, 14,
          DISABLED_TAB_STOP}});
    add({{IDC_STATIC, ControlKind::GroupBox, "Preview of the text file", 262, 4, 331, 360},
         {IDC_PREVIEW, ControlKind::ListView, "", 270, 18, 315, 300, STYLE_TAB_STOP},
         {IDC_PREVIEW_MESSAGE, ControlKind::Label, "", 270, 324, 315, 34}});
    return dialog;
}

const DialogTemplate& Template() {
    static const DialogTemplate dialog = MakeTemplate();
    return dialog;
}

struct IndexField {
    int nId;
    const char* pLabel;
    int32_t CTextTemplate::*pColumn;  // null for the first waypoint row
};

const IndexField INDEX_FIELDS[] = {
    {IDC_NAME_INDEX, "Name", &CTextTemplate::nameColumn},
    {IDC_LATITUDE_INDEX, "Latitude", &CTextTemplate::latitudeColumn},
    {IDC_LONGITUDE_INDEX, "Longitude", &CTextTemplate::longitudeColumn},
    {IDC_COMMENT_INDEX, "Comment", &CTextTemplate::commentColumn},
    {IDC_FIRST_WAYPOINT_INDEX, "First Waypoint", nullptr},
};

// The column letters of a stored column, or nothing when no letters name it.
QString LettersOf(int32_t nColumn) {
    if (nColumn < 0 || nColumn > CTextTemplate::MAX_COLUMN) {
        return QString();
    }
    const std::string letters = ColumnIndexToLetters(static_cast<uint16_t>(nColumn));
    return ColumnLettersToIndex(letters) == nColumn ? ToQString(letters) : QString();
}

// The decimal row number, or false when it is empty or above 65535.
bool ParseRow(const QString& text, uint16_t& nRow) {
    uint32_t nValue = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
        nValue = nValue * 10 + static_cast<uint32_t>(c.unicode() - '0');
        if (nValue > 65535) {
            return false;
        }
    }
    nRow = static_cast<uint16_t>(nValue);
    return !text.isEmpty();
}

// The encoding box's entries, in order.
constexpr std::pair<TextEncoding, const char*> ENCODINGS[] = {
    {TextEncoding::Detect, "Found from the file"},
    {TextEncoding::Utf8, "UTF-8"},
    {TextEncoding::Windows1252, "Windows-1252"},
};

const char* const PREVIEW_COLUMNS[] = {"Line", "Name", "Latitude", "Longitude", "Comment", "Fault"};

// One row of the preview; a row that a conversion would question is tinted and
// names its fault.
void AddPreviewRow(QTableWidget& table, const CTextFilePreview::Row& row) {
    const int nRow = table.rowCount();
    table.insertRow(nRow);
    const CWaypoint& waypoint = row.waypoint;
    const QString cells[] = {
        QString::number(row.nLine),
        ToQString(waypoint.m_strName),
        ToQString(FormatDegrees(waypoint.m_dLatitude)),
        ToQString(FormatDegrees(waypoint.m_dLongitude)),
        ToQString(waypoint.m_strComment),
        ToQString(WaypointErrorMessage(static_cast<int>(row.error), MAX_NAME_LENGTH)),
    };
    for (int nColumn = 0; nColumn < static_cast<int>(std::size(cells)); ++nColumn) {
        auto* pItem = new QTableWidgetItem(cells[nColumn]);
        if (row.error != WaypointError::None) {
            pItem->setBackground(QColor(255, 218, 218));
            pItem->setToolTip(cells[std::size(cells) - 1]);
        }
        table.setItem(nRow, nColumn, pItem);
    }
}

}  // namespace

CTemplatesDlg::CTemplatesDlg(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                             bool bTextFileIsEmpty, const std::string& storePath, QWidget* pOwner,
                             CSpreadsheetViewer viewer)
    : CTemplateDialog(Template(), pOwner),
      m_pChosenTemplate(&chosenTemplate),
      m_textFilePath(textFilePath),
      m_bTextFileIsEmpty(bTextFileIsEmpty),
      m_storePath(storePath),
      m_viewer(std::move(viewer)) {
    QComboBox* pName = ComboBox(IDC_TEMPLATE_NAME);
    pName->setCompleter(nullptr);  // the box shows what was typed, nothing more
    pName->lineEdit()->setMaxLength(static_cast<int>(CTextTemplate::MAX_NAME_LENGTH));
    pName->view()->parentWidget()->installEventFilter(this);
    connect(pName, &QComboBox::activated, this, &CTemplatesDlg::OnSelchangeTemplateName);
    connect(pName->lineEdit(), &QLineEdit::textEdited, this,
            &CTemplatesDlg::OnEditchangeTemplateName);
    auto onClick = [this](int nId, void (CTemplatesDlg::*pHandler)()) {
        connect(Button(nId), &QPushButton::clicked, this, pHandler);
    };
    onClick(IDOK, &CTemplatesDlg::OnOK);
    onClick(IDC_ABORT, &CTemplatesDlg::OnAbort);
    onClick(IDC_DELETE_CURRENT, &CTemplatesDlg::OnDeleteCurrent);
    onClick(IDC_DELETE_ALL, &CTemplatesDlg::OnDeleteAll);
    onClick(IDC_VIEW_IN_SPREADSHEET, &CTemplatesDlg::OnViewInExcel);
    onClick(IDC_FIND_COLUMNS, &CTemplatesDlg::OnFindColumns);
    QComboBox* pEncoding = ComboBox(IDC_ENCODING);
    pEncoding->setEditable(false);
    for (const auto& [encoding, pText] : ENCODINGS) {
        pEncoding->addItem(QLatin1String(pText), static_cast<int>(encoding));
    }

    QTableWidget* pPreview = ListView(IDC_PREVIEW);
    pPreview->setColumnCount(static_cast<int>(std::size(PREVIEW_COLUMNS)));
    for (int nColumn = 0; nColumn < pPreview->columnCount(); ++nColumn) {
        pPreview->setHorizontalHeaderItem(
            nColumn, new QTableWidgetItem(QString::fromLatin1(PREVIEW_COLUMNS[nColumn])));
    }
    m_previewTimer.setSingleShot(true);
    connect(&m_previewTimer, &QTimer::timeout, this, &CTemplatesDlg::ShowPreview);
    for (const IndexField& field : INDEX_FIELDS) {
        connect(Edit(field.nId), &QLineEdit::textChanged, &m_previewTimer,
                qOverload<>(&QTimer::start));
    }
    connect(pEncoding, &QComboBox::currentIndexChanged, &m_previewTimer,
            qOverload<>(&QTimer::start));
    for (int nId : {IDC_COMMA, IDC_TAB, IDC_SEMICOLON}) {
        connect(RadioButton(nId), &QRadioButton::toggled, &m_previewTimer,
                qOverload<>(&QTimer::start));
    }
}

int CTemplatesDlg::exec() {
    if (!OnInitDialog()) {
        setResult(Rejected);
        return Rejected;
    }
    return CTemplateDialog::exec();
}

bool CTemplatesDlg::OnInitDialog() {
    if (!m_store.Load(m_storePath)) {
        ShowMessageBox(parentWidget(), ToDisplayText("Fail to open file \"" + m_storePath +
                                                     "\" ! (" + m_store.ErrorText() + ")"));
        return false;
    }
    QComboBox* pName = ComboBox(IDC_TEMPLATE_NAME);
    pName->clear();
    for (int i = 0; i < m_store.GetCount(); ++i) {
        pName->addItem(ToQString(m_store.GetAt(i).Name()));
    }
    pName->setCurrentIndex(-1);
    EnableControl(IDC_DELETE_ALL, m_store.GetCount() > 0);
    SetDefaultButton(IDC_ABORT, true);
    ShowPreview();
    return true;
}

void CTemplatesDlg::OnSelchangeTemplateName(int nIndex) {
    if (nIndex < 0 || nIndex >= m_store.GetCount()) {
        return;
    }
    ShowTemplate(m_store.GetAt(nIndex));
    MakeOkDefault();
}

void CTemplatesDlg::OnEditchangeTemplateName(const QString& text) {
    if (text.isEmpty()) {
        ResetFields();
        SetDefaultButton(IDOK, false);
        return;
    }
    const std::string name = ToBytes(text);
    const int nStored = m_store.FindExact(name);
    if (nStored >= 0) {
        ShowTemplate(m_store.GetAt(nStored));
        MakeOkDefault();
        return;
    }
    m_nListTop = m_store.FindPrefix(name);
    EnableControl(IDC_VIEW_IN_SPREADSHEET, !m_bTextFileIsEmpty && m_viewer.IsFound());
    EnableControl(IDC_FIND_COLUMNS, !m_bTextFileIsEmpty);
    EnableDefinition(true);
    for (const IndexField& field : INDEX_FIELDS) {
        Edit(field.nId)->clear();
    }
    MakeOkDefault();
}

bool CTemplatesDlg::ReadFields(CTextTemplate& record) {
    for (const IndexField& field : INDEX_FIELDS) {
        QLineEdit* pEdit = Edit(field.nId);
        bool bValid = false;
        if (field.pColumn != nullptr) {
            const uint16_t nColumn = ColumnLettersToIndex(ToBytes(pEdit->text()));
            bValid = nColumn != INVALID_COLUMN;
            record.*field.pColumn = nColumn;
        } else {
            bValid = ParseRow(pEdit->text(), record.firstWaypointRow);
        }
        if (!bValid) {
            pEdit->clear();
            ShowMessageBox(this, QStringLiteral("Invalid field (%1 Index), please try again !")
                                     .arg(QLatin1String(field.pLabel)));
            return false;
        }
    }
    record.delimiter = ChosenDelimiter();
    record.decimalComma = CheckBox(IDC_DECIMAL_COMMA)->isChecked();
    return true;
}

char CTemplatesDlg::ChosenDelimiter() const {
    if (RadioButton(IDC_COMMA)->isChecked()) {
        return ',';
    }
    if (RadioButton(IDC_TAB)->isChecked()) {
        return '\t';
    }
    return RadioButton(IDC_SEMICOLON)->isChecked() ? ';' : '\0';
}

TextEncoding CTemplatesDlg::ChosenEncoding() const {
    return static_cast<TextEncoding>(ComboBox(IDC_ENCODING)->currentData().toInt());
}

CTextTemplate CTemplatesDlg::LayoutOfFields() const {
    CTextTemplate layout;
    for (const IndexField& field : INDEX_FIELDS) {
        const QString text = Edit(field.nId)->text();
        if (field.pColumn == nullptr) {
            ParseRow(text, layout.firstWaypointRow);
            continue;
        }
        const uint16_t nColumn = ColumnLettersToIndex(ToBytes(text));
        layout.*field.pColumn = nColumn != INVALID_COLUMN ? nColumn : CTextTemplate::MAX_COLUMN;
    }
    layout.delimiter = ChosenDelimiter();
    layout.encoding = ChosenEncoding();
    return layout;
}

void CTemplatesDlg::ShowPreview() {
    QTableWidget* pPreview = ListView(IDC_PREVIEW);
    pPreview->setRowCount(0);
    const bool bNoColumns =
        std::none_of(std::begin(INDEX_FIELDS), std::end(INDEX_FIELDS), [this](const IndexField& f) {
            return f.pColumn != nullptr && !Edit(f.nId)->text().isEmpty();
        });
    QString message;
    if (m_bTextFileIsEmpty) {
        message = QStringLiteral("The text file is empty.");
    } else if (bNoColumns) {
        message = QStringLiteral(
            "Choose a template or type its columns to see the first rows of the file here.");
    } else {
        const CTextFilePreview preview(m_textFilePath, LayoutOfFields(), PREVIEW_ROWS);
        for (const CTextFilePreview::Row& row : preview.Rows()) {
            AddPreviewRow(*pPreview, row);
        }
        message = ToDisplayText(preview.Message());
    }
    pPreview->resizeColumnsToContents();
    SetControlText(IDC_PREVIEW_MESSAGE, message);
}

void CTemplatesDlg::OnOK() {
    CTextTemplate record;
    if (!ReadFields(record)) {
        return;
    }
    record.encoding = ChosenEncoding();
    const std::string name = ToBytes(ComboBox(IDC_TEMPLATE_NAME)->currentText());
    if (m_store.FindExact(name) < 0) {
        record.SetName(name);
        m_store.Add(record);
        m_added.push_back(record);
        m_bModified = true;
        *m_pChosenTemplate = record;
    }
    m_pChosenTemplate->encoding = record.encoding;
    SaveStore();
    done(Accepted);
}

void CTemplatesDlg::OnDeleteCurrent() {
    if (ShowMessageBox(this, QStringLiteral("Are you sure ?"), MessageButtons::YesNo) !=
        MessageAnswer::Yes) {
        return;
    }
    const int nShown = m_store.FindExact(m_pChosenTemplate->Name());
    if (nShown >= 0) {
        m_deletedNames.emplace_back(m_store.GetAt(nShown).Name());
        m_store.Remove(nShown);
        ComboBox(IDC_TEMPLATE_NAME)->removeItem(nShown);
    }
    ComboBox(IDC_TEMPLATE_NAME)->setCurrentIndex(-1);
    ComboBox(IDC_TEMPLATE_NAME)->clearEditText();
    SetDefaultButton(IDC_DELETE_CURRENT, false);
    ResetFields();
    m_bModified = true;
}

void CTemplatesDlg::OnDeleteAll() {
    if (ShowMessageBox(this, QStringLiteral("Are you sure ?"), MessageButtons::YesNo) ==
        MessageAnswer::Yes) {
        for (int i = 0; i < m_store.GetCount(); ++i) {
            m_deletedNames.emplace_back(m_store.GetAt(i).Name());
        }
        m_store.RemoveAll();
        ComboBox(IDC_TEMPLATE_NAME)->clear();
    }
    ComboBox(IDC_TEMPLATE_NAME)->setCurrentIndex(-1);
    ComboBox(IDC_TEMPLATE_NAME)->clearEditText();
    SetDefaultButton(IDC_DELETE_ALL, false);
    ResetFields();
    m_bModified = true;
    EnableControl(IDC_DELETE_ALL, false);
}

void CTemplatesDlg::OnAbort() {
    if (m_bModified) {
        const MessageAnswer answer = ShowMessageBox(
            this, QStringLiteral("Save changes at the templates ?"), MessageButtons::YesNoCancel);
        if (answer == MessageAnswer::Cancel) {
            return;
        }
        if (answer == MessageAnswer::Yes) {
            SaveStore();
        }
    }
    done(Rejected);
}

void CTemplatesDlg::OnViewInExcel() {
    m_bViewing = true;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString reason;
    const bool bStarted = m_viewer.Run(m_textFilePath, reason);
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
    m_bViewing = false;
    if (!bStarted) {
        EnableControl(IDC_VIEW_IN_SPREADSHEET, false);
        ShowMessageBox(
            this, ToDisplayText("* Fail to open file \"" + m_textFilePath + "\"\nwith file \"" +
                                m_viewer.ProgramPath() + "\".\n* Reason: ") +
                      reason);
    }
}

void CTemplatesDlg::OnFindColumns() {
    CTextTemplate found;
    std::string problem;
    if (!FindColumnsFromTitles(m_textFilePath, found, problem)) {
        ShowMessageBox(this, ToDisplayText(problem));
        return;
    }
    found.decimalComma = CheckBox(IDC_DECIMAL_COMMA)->isChecked();
    ShowFields(found);
}

void CTemplatesDlg::closeEvent(QCloseEvent* pEvent) {
    if (m_bViewing) {
        pEvent->ignore();
        return;
    }
    CTemplateDialog::closeEvent(pEvent);
}

void CTemplatesDlg::reject() {
    if (!m_bViewing) {
        CTemplateDialog::reject();
    }
}

void CTemplatesDlg::ShowTemplate(const CTextTemplate& record) {
    *m_pChosenTemplate = record;
    m_nListTop = -1;
    EnableControl(IDC_VIEW_IN_SPREADSHEET, false);
    EnableDefinition(false);
    EnableControl(IDC_DELETE_CURRENT, true);
    EnableControl(IDC_DELETE_ALL, true);
    EnableControl(IDC_FIND_COLUMNS, false);
    ShowFields(record);
}

void CTemplatesDlg::ShowFields(const CTextTemplate& record) {
    for (const IndexField& field : INDEX_FIELDS) {
        Edit(field.nId)->setText(field.pColumn != nullptr
                                     ? LettersOf(record.*field.pColumn)
                                     : QString::number(record.firstWaypointRow));
    }
    // Both buttons are cleared first: a group allows no check to be taken away alone.
    QRadioButton* pComma = RadioButton(IDC_COMMA);
    pComma->group()->setExclusive(false);
    pComma->setChecked(record.delimiter == ',');
    RadioButton(IDC_TAB)->setChecked(record.delimiter == '\t');
    RadioButton(IDC_SEMICOLON)->setChecked(record.delimiter == ';');
    pComma->group()->setExclusive(true);
    CheckBox(IDC_DECIMAL_COMMA)->setChecked(record.decimalComma);
    QComboBox* pEncoding = ComboBox(IDC_ENCODING);
    pEncoding->setCurrentIndex(pEncoding->findData(static_cast<int>(record.encoding)));
}

void CTemplatesDlg::ResetFields() {
    m_nListTop = -1;
    EnableControl(IDC_VIEW_IN_SPREADSHEET, false);
    EnableControl(IDC_FIND_COLUMNS, false);
    EnableDefinition(false);
    for (const IndexField& field : INDEX_FIELDS) {
        Edit(field.nId)->clear();
    }
    EnableControl(IDC_DELETE_CURRENT, false);
    EnableControl(IDOK, false);
    EnableControl(IDC_DELETE_ALL, m_store.GetCount() > 0);
    SetDefaultButton(IDC_ABORT, true);
}

void CTemplatesDlg::EnableDefinition(bool bEnable) {
    for (int nId :
         {IDC_HINT, IDC_NAME_INDEX, IDC_LATITUDE_INDEX, IDC_LONGITUDE_INDEX, IDC_COMMENT_INDEX,
          IDC_FIRST_WAYPOINT_INDEX, IDC_COMMA, IDC_TAB, IDC_SEMICOLON, IDC_DECIMAL_COMMA}) {
        EnableControl(nId, bEnable);
    }
}

void CTemplatesDlg::MakeOkDefault() {
    SetDefaultButton(IDC_ABORT, false);
    SetDefaultButton(IDOK, true);
    EnableControl(IDOK, true);
}

bool CTemplatesDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // A hidden list cannot scroll, so the entry is put at the top as the list
    // opens, and made its current entry so that opening does not scroll it away.
    QComboBox* pName = ComboBox(IDC_TEMPLATE_NAME);
    if (pEvent->type() == QEvent::Show && m_nListTop >= 0 && m_nListTop < pName->count()) {
        const QModelIndex top = pName->model()->index(m_nListTop, 0);
        pName->view()->setCurrentIndex(top);
        pName->view()->scrollTo(top, QAbstractItemView::PositionAtTop);
    }
    return CTemplateDialog::eventFilter(pWatched, pEvent);
}
// The dialog's deletes and adds are applied to the store as it is now, locked,
// so that templates another program saved meanwhile stay.
void CTemplatesDlg::SaveStore() {
    CTemplateStore store;
    const bool bSaved = store.Update(m_storePath, [this](CTemplateStore& stored) {
        for (const std::string& name : m_deletedNames) {
            stored.Remove(stored.FindExact(name));
        }
        for (const CTextTemplate& record : m_added) {
            if (stored.FindExact(record.Name()) < 0) {
                stored.Add(record);
            }
        }
        return true;
    });
    if (!bSaved) {
        ShowMessageBox(this, ToDisplayText("Fail to save file \"" + m_storePath + "\" (" +
                                           store.ErrorText() + ")"));
    }
}
