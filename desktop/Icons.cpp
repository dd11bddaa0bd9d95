#include "desktop/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/CategoryTree.h"

namespace yomida::qt {
namespace {

constexpr int kSize = 16;

QPixmap Blank() {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    return pm;
}

// A closed book: cover colour says whether the month's data is there.
QPixmap Book(const QColor& cover, bool open) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
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
    return pm;
}

// A disc for the audio-visual categories.
QPixmap Disc(const QColor& colour, bool selected) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colour);
    p.drawEllipse(1, 1, 14, 14);
    p.setBrush(selected ? QColor(Qt::yellow) : QColor(Qt::white));
    p.drawEllipse(6, 6, 4, 4);
    return pm;
}

QPixmap Folder() {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setPen(QPen(QColor(120, 90, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(1, 4, 14, 10);
    p.drawRect(1, 2, 6, 2);
    return pm;
}

}  // namespace

QIcon TreeIcon(TreeImage image) {
    switch (image) {
        case TreeImage::BookPresent:
            return QIcon(Book(QColor(40, 110, 200), false));
        case TreeImage::BookSelected:
            return QIcon(Book(QColor(40, 110, 200), true));
        case TreeImage::BookMissing:
            return QIcon(Book(QColor(190, 190, 190), false));
        case TreeImage::AvPresent:
            return QIcon(Disc(QColor(200, 60, 60), false));
        case TreeImage::AvSelected:
            return QIcon(Disc(QColor(200, 60, 60), true));
        case TreeImage::AvMissing:
            return QIcon(Disc(QColor(190, 190, 190), false));
        case TreeImage::Group:
            break;
    }
    return QIcon(Folder());
}

QIcon ToolIcon(Glyph glyph) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
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
            p.setBrush(QColor(200, 230, 255));
            p.drawEllipse(2, 2, 12, 12);
            p.drawLine(2, 8, 14, 8);
            p.drawLine(8, 2, 8, 14);
            break;
        case Glyph::Shop:
            p.setBrush(QColor(255, 200, 80));
            p.drawRect(2, 5, 12, 9);
            p.drawArc(5, 1, 6, 8, 0, 180 * 16);
            break;
        case Glyph::Setup:
            p.setBrush(QColor(180, 180, 180));
            p.drawEllipse(3, 3, 10, 10);
            p.setBrush(Qt::white);
            p.drawEllipse(6, 6, 4, 4);
            break;
        case Glyph::Clear:
            p.drawLine(3, 3, 13, 13);
            p.drawLine(13, 3, 3, 13);
            break;
        case Glyph::SaveCsv:
            p.setBrush(Qt::white);
            p.drawRect(2, 1, 11, 14);
            p.drawLine(4, 5, 11, 5);
            p.drawLine(4, 8, 11, 8);
            p.drawLine(4, 11, 11, 11);
            break;
        case Glyph::Download: {
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
            break;
        }
    }
    return QIcon(pm);
}

QIcon NumberIcon(int number) {
    QPixmap pm = Blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 140), 1));
    p.setBrush(QColor(220, 230, 250));
    p.drawRoundedRect(0, 0, 15, 15, 3, 3);
    QFont font = p.font();
    font.setPixelSize(number >= 10 ? 9 : 11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::number(number));
    return QIcon(pm);
}

}  // namespace yomida::qt
