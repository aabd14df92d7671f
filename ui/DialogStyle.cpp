#include "ui/DialogStyle.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace {

// The classic style leaves room for the default frame only around a button
// that may take the default role from the focus. The dialogs move that role
// themselves (focus never moves it), so every default button is drawn as one
// that could, and its frame is drawn in the text colour, heavy as on Windows.
class CDialogStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* pOption, QPainter* pPainter,
                       const QWidget* pWidget) const override {
        if (element != PE_FrameDefaultButton) {
            QProxyStyle::drawPrimitive(element, pOption, pPainter, pWidget);
            return;
        }
        // Four bars rather than an outline, so that each edge stays whole on a
        // screen scaled by a fraction.
        const QRect& r = pOption->rect;
        const QColor colour = pOption->palette.windowText().color();
        pPainter->fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
        pPainter->fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
        pPainter->fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
        pPainter->fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
    }

    void drawControl(ControlElement element, const QStyleOption* pOption, QPainter* pPainter,
                     const QWidget* pWidget) const override {
        const auto* pButton = qstyleoption_cast<const QStyleOptionButton*>(pOption);
        if (element == CE_PushButton && pButton != nullptr &&
            (pButton->features & QStyleOptionButton::DefaultButton) != 0) {
            QStyleOptionButton framed(*pButton);
            framed.features |= QStyleOptionButton::AutoDefaultButton;
            QProxyStyle::drawControl(element, &framed, pPainter, pWidget);
            return;
        }
        QProxyStyle::drawControl(element, pOption, pPainter, pWidget);
    }
};

}  // namespace

void UseDialogStyle() {
    if (QStyle* pClassic = QStyleFactory::create(QStringLiteral("Windows"))) {
        QApplication::setStyle(new CDialogStyle(pClassic));
    }
}
