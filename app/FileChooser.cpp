#include "app/FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

void PrepareFileChooser(QFileDialog& dialog, FileRole role, const QString& filter,
                        const QString& defaultSuffix, const QString& path) {
    const QFileInfo proposed(path);
    if (proposed.isDir()) {
        dialog.setDirectory(path);
    } else if (!path.isEmpty()) {
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    // The file view's columns as wide as what they show, the names taking the rest.
    if (auto* pView = dialog.findChild<QTreeView*>()) {
        pView->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        pView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    // A file that does not exist may be named; the job itself asks about an
    // existing target, so the chooser does not.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (role == FileRole::Target) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
}
