#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <optional>

// A field that shows the padding colour as its background. It takes no
// focus: the Change button beside it is what changes the colour. Until
// a colour is set it shows the ordinary background of an input field.
class ColorSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    // colorRef is 0x00BBGGRR.
    void SetColor(std::uint32_t colorRef);
    // The colour set last, or nothing before the first SetColor.
    std::optional<QColor> ShownColor() const { return shown; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QColor> shown;
};
