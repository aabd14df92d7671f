#include "ui/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QString>

namespace {

constexpr const char* MS_SANS_SERIF_FILE = "/usr/share/wine/fonts/ms_sans_serif.ttf";
constexpr int POINT_SIZE = 8;

QFont LoadDialogFont() {
    const int nFontId = QFontDatabase::addApplicationFont(QString::fromLatin1(MS_SANS_SERIF_FILE));
    const QStringList families =
        nFontId >= 0 ? QFontDatabase::applicationFontFamilies(nFontId) : QStringList();
    QFont font(families.isEmpty() ? QStringLiteral("sans-serif") : families.first());
    // Points to pixels as Windows does it, so that the font has the same
    // pixel height (and hence the same base units) at the same resolution.
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const double dDotsPerInch = pScreen != nullptr ? pScreen->logicalDotsPerInchY() : 96.0;
    font.setPixelSize(qRound(POINT_SIZE * dDotsPerInch / 72.0));
    font.setStyleStrategy(QFont::PreferBitmap);
    return font;
}

// x * numerator / denominator, rounded half away from zero, as MulDiv rounds.
int MulDiv(int x, int nNumerator, int nDenominator) {
    const long long product = static_cast<long long>(x) * nNumerator;
    const long long half = nDenominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / nDenominator
                                         : (product - half) / nDenominator);
}

}  // namespace

const CDialogFont& CDialogFont::Instance() {
    static const CDialogFont font;
    return font;
}

CDialogFont::CDialogFont() : m_font(LoadDialogFont()) {
    const QFontMetrics metrics(m_font);
    const int nAlphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseUnitX = (nAlphabetWidth / 26 + 1) / 2;
    m_nBaseUnitY = metrics.height();
}

int CDialogFont::ToPixelsX(int nDialogUnits) const {
    return MulDiv(nDialogUnits, m_nBaseUnitX, 4);
}

int CDialogFont::ToPixelsY(int nDialogUnits) const {
    return MulDiv(nDialogUnits, m_nBaseUnitY, 8);
}

QRect CDialogFont::ToPixels(int x, int y, int cx, int cy) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}
