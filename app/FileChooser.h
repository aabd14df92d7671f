#pragma once

#include <QString>

class QFileDialog;

enum class FileRole { Source, Target };

// Sets up the file dialog in which the person chooses a source or a target: it
// opens on path (a folder, or a file to propose), offers the filter, adds the
// default suffix to a name typed without one, and shows its columns whole.
void PrepareFileChooser(QFileDialog& dialog, FileRole role, const QString& filter,
                        const QString& defaultSuffix, const QString& path);
