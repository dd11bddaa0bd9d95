#include "desktop/Icons.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <functional>
#include <utility>

#include "app/CategoryTree.h"

namespace yomida::qt {
namespace {

// Every drawing is made on a 16 x 16 grid.
constexpr double kGrid = 16.0;

// Lines drawn on a light fill of fixed colour, whatever the palette.
const QColor kInk(30, 70, 150);

using Drawing = std::function<void(QPainter&, const QPalette&)>;

// Draws an icon afresh at the size and pixel ratio it is asked for, with the palette of the
// moment: sharp at a scale factor of 2, and its outlines readable on a dark theme.
class DrawnIconEngine final : public QIconEngine {
public:
    explicit DrawnIconEngine(Drawing draw) : draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::TextAntialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / kGrid, rect.height() / kGrid);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.4);
        }
        draw_(*painter, QGuiApplication::palette());
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override {
        return pixmap(size, mode, state);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }

    QIconEngine* clone() const override { return new DrawnIconEngine(draw_); }

private:
    Drawing draw_;
};

QIcon Drawn(Drawing draw) {
    return QIcon(new DrawnIconEngine(std::move(draw)));
}

// Outlines take the palette's text colour, so they show on light and dark backgrounds alike.
QPen Outline(const QPalette& palette, QPalette::ColorRole role, qreal width = 1) {
    return QPen(palette.color(role), width);
}

// A closed book: cover colour says whether the month's data is there.
void Book(QPainter& p, const QPalette& palette, const QColor& cover, bool open) {
    p.setPen(Outline(palette, QPalette::Text));
    if (open) {
        p.setBrush(Qt::white);
        p.drawRect(1, 3, 6, 10);
        p.drawRect(8, 3, 6, 10);
        p.setBrush(cover);
        p.drawRect(7, 2, 1, 12);
    } else {
        p.setBrush(cover);
        p.drawRect(3, 1, 10, 13);
        p.setBrush(Qt::white);
        p.drawRect(11, 2, 2, 11);
    }
}

// A disc for the audio-visual categories.
void Disc(QPainter& p, const QPalette& palette, const QColor& colour, bool selected) {
    p.setPen(Outline(palette, QPalette::Text));
    p.setBrush(colour);
    p.drawEllipse(1, 1, 14, 14);
    p.setBrush(selected ? QColor(Qt::yellow) : QColor(Qt::white));
    p.drawEllipse(6, 6, 4, 4);
}

void Folder(QPainter& p) {
    p.setPen(QPen(QColor(120, 90, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(1, 4, 14, 10);
    p.drawRect(1, 2, 6, 2);
}

QIcon BookIcon(const QColor& cover, bool open) {
    return Drawn(
        [cover, open](QPainter& p, const QPalette& palette) { Book(p, palette, cover, open); });
}

QIcon DiscIcon(const QColor& colour, bool selected) {
    return Drawn([colour, selected](QPainter& p, const QPalette& palette) {
        Disc(p, palette, colour, selected);
    });
}

// The meridians are drawn in a dark blue of their own: the globe stays light blue in every
// palette, and the light text colour of a dark one would vanish on it.
void DrawGlobe(QPainter& p) {
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(2, 2, 12, 12);
    p.setPen(QPen(kInk, 1.5));
    p.drawLine(3, 8, 13, 8);
    p.drawLine(8, 3, 8, 13);
}

// A grey wheel whose hole shows the window behind it, in light and dark palettes.
void DrawWheel(QPainter& p, const QPalette& palette) {
    p.setBrush(QColor(150, 150, 150));
    p.drawEllipse(3, 3, 10, 10);
    p.setBrush(palette.color(QPalette::Window));
    p.drawEllipse(6, 6, 4, 4);
}

// Paper and lines in the palette's own text-on-base pair, which always contrast.
void DrawPaper(QPainter& p, const QPalette& palette) {
    p.setBrush(palette.color(QPalette::Base));
    p.drawRect(2, 1, 11, 14);
    p.setPen(Outline(palette, QPalette::Text, 1.5));
    p.drawLine(4, 5, 11, 5);
    p.drawLine(4, 8, 11, 8);
    p.drawLine(4, 11, 11, 11);
}

void DrawDownArrow(QPainter& p) {
    p.setBrush(QColor(40, 110, 200));
    QPainterPath arrow;
    arrow.moveTo(6, 2);
    arrow.lineTo(10, 2);
    arrow.lineTo(10, 8);
    arrow.lineTo(13, 8);
    arrow.lineTo(8, 14);
    arrow.lineTo(3, 8);
    arrow.lineTo(6, 8);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

void DrawGlyph(QPainter& p, const QPalette& palette, Glyph glyph) {
    p.setPen(Outline(palette, QPalette::WindowText, 1.5));
    switch (glyph) {
        case Glyph::Search:
            p.drawEllipse(2, 2, 8, 8);
            p.drawLine(9, 9, 14, 14);
            break;
        case Glyph::CheckOnly:
            p.setBrush(QColor(0, 200, 0));
            p.drawRect(2, 2, 12, 12);
            p.drawLine(4, 8, 7, 11);
            p.drawLine(7, 11, 12, 4);
            break;
        case Glyph::Online:
            p.setBrush(QColor(0, 170, 0));
            p.drawEllipse(2, 2, 12, 12);
            break;
        case Glyph::Offline:
            p.setBrush(QColor(170, 170, 170));
            p.drawEllipse(2, 2, 12, 12);
            p.drawLine(4, 4, 12, 12);
            break;
        case Glyph::Browser:
            DrawGlobe(p);
            break;
        case Glyph::Shop:
            p.setBrush(QColor(255, 200, 80));
            p.drawRect(2, 5, 12, 9);
            p.drawArc(5, 1, 6, 8, 0, 180 * 16);
            break;
        case Glyph::Setup:
            DrawWheel(p, palette);
            break;
        case Glyph::Clear:
            p.drawLine(3, 3, 13, 13);
            p.drawLine(13, 3, 3, 13);
            break;
        case Glyph::SaveCsv:
            DrawPaper(p, palette);
            break;
        case Glyph::Download:
            DrawDownArrow(p);
            break;
    }
}

void DrawNumber(QPainter& p, int number) {
    p.setPen(QPen(QColor(30, 60, 140), 1));
    p.setBrush(QColor(220, 230, 250));
    p.drawRoundedRect(0, 0, 15, 15, 3, 3);
    QFont font = p.font();
    font.setPixelSize(number >= 10 ? 9 : 11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::number(number));
}

}  // namespace

QIcon TreeIcon(TreeImage image) {
    switch (image) {
        case TreeImage::BookPresent:
            return BookIcon(QColor(40, 110, 200), false);
        case TreeImage::BookSelected:
            return BookIcon(QColor(40, 110, 200), true);
        case TreeImage::BookMissing:
            return BookIcon(QColor(190, 190, 190), false);
        case TreeImage::AvPresent:
            return DiscIcon(QColor(200, 60, 60), false);
        case TreeImage::AvSelected:
            return DiscIcon(QColor(200, 60, 60), true);
        case TreeImage::AvMissing:
            return DiscIcon(QColor(190, 190, 190), false);
        case TreeImage::Group:
            break;
    }
    return Drawn([](QPainter& p, const QPalette&) { Folder(p); });
}

QIcon FailedTreeIcon(TreeImage image) {
    const QIcon base = TreeIcon(image);
    return Drawn([base](QPainter& p, const QPalette&) {
        base.paint(&p, QRect(0, 0, 16, 16));
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(QColor(210, 40, 40));
        p.drawEllipse(QRectF(8, 8, 7.5, 7.5));
        p.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(11.75, 9.9), QPointF(11.75, 12.3));
        p.drawPoint(QPointF(11.75, 14.1));
    });
}

QIcon ToolIcon(Glyph glyph) {
    return Drawn([glyph](QPainter& p, const QPalette& palette) { DrawGlyph(p, palette, glyph); });
}

QIcon NumberIcon(int number) {
    return Drawn([number](QPainter& p, const QPalette&) { DrawNumber(p, number); });
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/yomida-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace yomida::qt
