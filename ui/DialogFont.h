#pragma once

#include <QFont>
#include <QRect>

// The font every dialog is drawn in, and the dialog units measured from it.
//
// Dialogs are laid out in dialog units: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
// The font is 8-point MS Sans Serif (a free version ships in Debian's
// fonts-wine, which fontconfig does not list, so it is loaded from its file);
// where it is missing, the system's sans-serif at 8 points.
//
// MS Sans Serif has bitmap strikes only, which do not grow with a screen
// scaled above 1x: there the text is drawn in a scalable face of the same
// size (Wine's Tahoma, else the system's sans-serif), while the units stay
// those of MS Sans Serif, so every dialog keeps its proportions.
class CDialogFont {
public:
    static const CDialogFont& Instance();

    // The font for a screen with the given device pixel ratio.
    explicit CDialogFont(double dDevicePixelRatio);

    const QFont& Font() const { return m_font; }
    int BaseUnitX() const { return m_nBaseUnitX; }
    int BaseUnitY() const { return m_nBaseUnitY; }

    int ToPixelsX(int nDialogUnits) const;
    int ToPixelsY(int nDialogUnits) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;

private:
    QFont m_font;
    int m_nBaseUnitX;
    int m_nBaseUnitY;
};
