#include "ui/DialogFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QString>

namespace {

constexpr const char* MS_SANS_SERIF_FILE = "/usr/share/wine/fonts/ms_sans_serif.ttf";
constexpr const char* TAHOMA_FILE = "/usr/share/wine/fonts/tahoma.ttf";
constexpr int POINT_SIZE = 8;

// The family of a font file, loaded for this program; the fallback when the file is missing.
QString LoadFamily(const char* pFile, const QString& fallback) {
    const int nFontId = QFontDatabase::addApplicationFont(QString::fromLatin1(pFile));
    const QStringList families =
        nFontId >= 0 ? QFontDatabase::applicationFontFamilies(nFontId) : QStringList();
    return families.isEmpty() ? fallback : families.first();
}

QFont DialogFontOf(const QString& family, QFont::StyleStrategy strategy) {
    QFont font(family);
    // Points to pixels as Windows does it, so that the font has the same
    // pixel height (and hence the same base units) at the same resolution.
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    const double dDotsPerInch = pScreen != nullptr ? pScreen->logicalDotsPerInchY() : 96.0;
    font.setPixelSize(qRound(POINT_SIZE * dDotsPerInch / 72.0));
    font.setStyleStrategy(strategy);
    return font;
}

// The scalable face at the largest pixel size whose lower-case letters are no
// wider than the layout font's, so that every text laid out for the layout
// font still fits its control.
QFont ScalableLike(const QFont& layoutFont, const QString& family) {
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    const int nLayoutWidth = QFontMetrics(layoutFont).horizontalAdvance(letters);
    QFont font = DialogFontOf(family, QFont::PreferOutline);
    while (font.pixelSize() > 1 && QFontMetrics(font).horizontalAdvance(letters) > nLayoutWidth) {
        font.setPixelSize(font.pixelSize() - 1);
    }
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
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    static const CDialogFont font(pScreen != nullptr ? pScreen->devicePixelRatio() : 1.0);
    return font;
}

CDialogFont::CDialogFont(double dDevicePixelRatio) {
    const QString sansSerif = QStringLiteral("sans-serif");
    const QFont layoutFont =
        DialogFontOf(LoadFamily(MS_SANS_SERIF_FILE, sansSerif), QFont::PreferBitmap);
    m_font = dDevicePixelRatio > 1.0 ? ScalableLike(layoutFont, LoadFamily(TAHOMA_FILE, sansSerif))
                                     : layoutFont;
    const QFontMetrics metrics(layoutFont);
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
