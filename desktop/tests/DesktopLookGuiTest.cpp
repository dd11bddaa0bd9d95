#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProxyStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <cstdlib>

#include "Named.h"
#include "desktop/FontSubstitution.h"
#include "desktop/GridModel.h"
#include "desktop/Icons.h"
#include "desktop/MainWindow.h"
#include "desktop/QtText.h"
#include "desktop/VersionDialog.h"
#include "sources/RecordLayout.h"
#include "support/FormFixture.h"
#include "text/SjisLiteral.h"

namespace yomida::qt {
namespace {

TEST(FontSubstitution, WindowsNamesGetAnInstalledJapaneseFontOfTheirKind) {
    const QStringList both{"DejaVu Sans", "IPAPGothic", "ipagothic", "IPAMincho"};
    EXPECT_EQ(JapaneseSubstitutes(U("ＭＳ ゴシック"), both),
              QStringList({"IPAGothic", "IPAPGothic"}));
    EXPECT_EQ(JapaneseSubstitutes(U("ms gothic"), both), QStringList({"IPAGothic", "IPAPGothic"}));
    EXPECT_EQ(JapaneseSubstitutes(U("ＭＳ 明朝"), both), QStringList({"IPAMincho", "IPAGothic"}));
    EXPECT_EQ(JapaneseSubstitutes(U("ＭＳ Ｐゴシック"), both),
              QStringList({"IPAPGothic", "IPAGothic"}));

    // Without a Mincho, a Gothic is still better than a Latin font with fallback.
    const QStringList gothicOnly{"DejaVu Sans", "Noto Sans Mono CJK JP"};
    EXPECT_EQ(JapaneseSubstitutes(U("ＭＳ 明朝"), gothicOnly),
              QStringList({"Noto Sans Mono CJK JP"}));

    EXPECT_TRUE(JapaneseSubstitutes(U("ＭＳ ゴシック"), {"DejaVu Sans"}).isEmpty());
    EXPECT_TRUE(JapaneseSubstitutes(U("DejaVu Sans"), both).isEmpty());
    EXPECT_TRUE(JapaneseSubstitutes(U("ＭＳ ゴシック 2"), both).isEmpty());
}

TEST(FontSubstitution, TheStoredGothicDrawsFromOneMonospacedJapaneseFont) {
    if (!QFontDatabase::families().contains(QStringLiteral("IPAGothic"))) {
        GTEST_SKIP() << "fonts-ipafont-gothic is not installed";
    }
    SubstituteWindowsFonts();
    const QFont font(U("ＭＳ ゴシック"), 9);
    EXPECT_EQ(font.family(), U("ＭＳ ゴシック")) << "the name stays as stored";
    const QFontInfo info(font);
    EXPECT_EQ(info.family(), QStringLiteral("IPAGothic"));
    // Latin from the same monospaced font: every letter as wide as the next, and a kana twice
    // as wide.
    const QFontMetrics metrics(font);
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
              metrics.horizontalAdvance(QLatin1Char('W')));
    EXPECT_EQ(metrics.horizontalAdvance(U("あ")), 2 * metrics.horizontalAdvance(QLatin1Char('W')));
}

// Whether an opaque pixel of about that colour is in the image.
bool HasPixelNear(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && std::abs(c.red() - colour.red()) < 40 &&
                std::abs(c.green() - colour.green()) < 40 &&
                std::abs(c.blue() - colour.blue()) < 40) {
                return true;
            }
        }
    }
    return false;
}

TEST(Icons, DrawnAtTheDevicePixelRatioInThePalettesColours) {
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    QApplication::setPalette(dark);
    const QIcon search = ToolIcon(Glyph::Search);
    QPixmap sharp = search.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32)) << "drawn at twice the pixels, not scaled up";
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_TRUE(HasPixelNear(sharp.toImage(), QColor(235, 235, 235)));
    EXPECT_FALSE(HasPixelNear(sharp.toImage(), QColor(0, 0, 0)));

    QApplication::setPalette(original);
    const QImage light = search.pixmap(QSize(16, 16), 1.0).toImage();
    EXPECT_TRUE(HasPixelNear(light, original.color(QPalette::WindowText)));

    const QImage tree = TreeIcon(TreeImage::BookPresent).pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(tree.size(), QSize(32, 32));

    const QIcon program = ProgramIcon();
    EXPECT_FALSE(program.isNull());
    EXPECT_EQ(program.availableSizes().size(), 8) << "every PNG of the menu's icon is built in";
    EXPECT_EQ(program.pixmap(QSize(64, 64), 1.0).size(), QSize(64, 64));
}

// How far apart two pixels of a 32-pixel drawing are in lightness, 0 to 255.
int Contrast(const QImage& image, QPoint a, QPoint b) {
    return std::abs(qGray(image.pixel(a)) - qGray(image.pixel(b)));
}

TEST(Icons, ToolbarDrawingsKeepTheirInsideOnADarkPalette) {
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    for (const QPalette& palette : {original, dark}) {
        QApplication::setPalette(palette);
        const auto draw = [](Glyph glyph) {
            return ToolIcon(glyph).pixmap(QSize(32, 32), 1.0).toImage();
        };
        const QImage csv = draw(Glyph::SaveCsv);
        EXPECT_GE(Contrast(csv, {14, 10}, {14, 13}), 80) << "the lines on the sheet";
        const QImage browser = draw(Glyph::Browser);
        EXPECT_GE(Contrast(browser, {16, 10}, {11, 11}), 80) << "the globe's meridian";
        const QImage setup = draw(Glyph::Setup);
        EXPECT_GE(Contrast(setup, {16, 16}, {9, 16}), 80) << "the wheel's hole";
        EXPECT_GE(Contrast(setup, {6, 16}, {9, 16}), 80) << "the wheel's rim";
    }
    QApplication::setPalette(original);
}

TEST(VersionDialogLook, TheLinkTakesThePalettesLinkColour) {
    VersionInfo logic([] { return std::string("/usr/share/yomida/manual/index.htm"); },
                      [](const std::string&) {});
    const QPalette original = QApplication::palette();
    QPalette palette = original;
    const QColor link(255, 140, 0);
    palette.setColor(QPalette::Link, link);
    QApplication::setPalette(palette);
    VersionDialog dialog(logic);
    dialog.Prepare();
    dialog.adjustSize();
    const QImage line = Named<QLabel>(dialog, "LblVer5")->grab().toImage();
    QApplication::setPalette(original);
    EXPECT_TRUE(HasPixelNear(line, link));
    EXPECT_FALSE(HasPixelNear(line, QColor(0, 0, 255)));
}

// A style that puts a wide frame round line edits, as the Adwaita style does.
class PaddedStyle final : public QProxyStyle {
public:
    PaddedStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        return metric == PM_DefaultFrameWidth ? 10
                                              : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

class PeriodFieldLookTest : public test::FormFixture {};

TEST_F(PeriodFieldLookTest, TheWholePeriodShowsInsideAWideFrameAndALargeFont) {
    test::WriteBytes(dir / "yomida.INI", "[FILE]\r\nON_OFF_LINE=OFF\r\n");
    MainWindow window(form);
    ASSERT_TRUE(form.FormCreate(dir / "yomida"));
    PaddedStyle padded;
    QLineEdit* field = Named<QLineEdit>(window, "EdtCalen");
    field->setStyle(&padded);
    QFont large = field->font();
    large.setPointSize(18);
    field->setFont(large);
    window.Push();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_EQ(field->text(), U("2003年05月"));

    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = padded.pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QRect inside = padded.subElementRect(QStyle::SE_LineEditContents, &option, field);
    const QFontMetrics metrics(field->font(), field);
    // QLineEdit keeps two pixels free on either side of its text.
    for (const QString& text : {field->text(), U("12/26-01/01")}) {
        EXPECT_GE(inside.width() - 4, metrics.horizontalAdvance(text))
            << text.toStdString() << " in a field of " << field->width();
    }
    field->setStyle(nullptr);
}

class GridLookTest : public test::FormFixture {};

TEST_F(GridLookTest, TickedRowsKeepDarkTextOnTheirGreen) {
    ComboGrid& grid = form.List.ComboGrid1;
    grid.SetColCount(8);
    grid.SetRowCount(3);
    grid.SetTicked(1, true);
    grid.SetTicked(2, false);
    GridModel model(form.List);
    model.Refresh();
    EXPECT_EQ(model.index(0, 4).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    EXPECT_EQ(model.index(0, 4).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    // An unticked row keeps the palette's own text colour.
    EXPECT_FALSE(model.index(1, 4).data(Qt::ForegroundRole).isValid());
}

}  // namespace
}  // namespace yomida::qt
