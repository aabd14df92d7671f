#pragma once

#include <QIcon>

// The application's icon (window, task bar, about box), from the program's resources.
QIcon ApplicationIcon();
