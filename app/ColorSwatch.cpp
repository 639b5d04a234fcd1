#include "ColorSwatch.h"

#include "QColorRef.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {
    // Change is the control; a focus frame on the swatch would be invisible
    // on some colours, and keys there would do nothing.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ColorSwatch::SetColor(std::uint32_t colorRef) {
    shown = ColorFromRef(colorRef);
    setToolTip(shown->name(QColor::HexRgb));
    update();
}

QSize ColorSwatch::sizeHint() const {
    // As tall as a one-line input field, about five digits wide.
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    const QSize contents(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 5,
                         fontMetrics().height());
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, this);
}

QSize ColorSwatch::minimumSizeHint() const {
    return sizeHint();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (shown)
        option.palette.setColor(QPalette::Base, *shown);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
}
