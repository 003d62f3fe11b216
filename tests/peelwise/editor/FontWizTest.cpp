// The font adjustment: the face and size it settles on for a given system font, and what it does
// to a form's controls, including the ones treated by name and the ones without a font.
#include "peelwise/support/FontWiz.h"

#include "brontle/core/Error.h"
#include "brontle/services/ScriptedPlatform.h"

#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace peelwise {
namespace {

class FontWizTest : public ::testing::Test {
  protected:
    void SetUp() override { previous = brontle::setPlatform(scripted); }
    void TearDown() override { brontle::setPlatform(previous); }

    void useSystemFont(const std::string& messageFace, const std::string& defaultFace = "Arial",
                       double defaultSize = 10.0) {
        scripted->setSystemFont({messageFace, defaultFace, defaultSize});
    }

    std::shared_ptr<brontle::ScriptedPlatform> scripted =
        std::make_shared<brontle::ScriptedPlatform>();
    std::shared_ptr<brontle::Platform> previous;
};

template <class Widget> Widget* named(QWidget* parent, const char* name, double points = 12.0) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    QFont font("Times New Roman");
    font.setPointSizeF(points);
    widget->setFont(font);
    return widget;
}

// The message font's face picks the face and size: exactly "Segoe UI" gives Segoe UI at 9,
// anything else Tahoma at 8.25; the face is read up to its first zero character, and the
// default font's face is passed through.
TEST_F(FontWizTest, TheMessageFontPicksTheFaceAndSize) {
    struct Case {
        std::string messageFace;
        const char* face;
        double size;
    };
    const std::vector<Case> cases = {
        {"Segoe UI", "Segoe UI", 9.0},
        {std::string("Segoe UI\0garbage", 16), "Segoe UI", 9.0},
        {"Tahoma", "Tahoma", 8.25},
        {"DejaVu Sans", "Tahoma", 8.25},
        {"segoe ui", "Tahoma", 8.25},
        {"", "Tahoma", 8.25},
        {"Segoe UI Semibold", "Tahoma", 8.25},
        {"Tahoma ", "Tahoma", 8.25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messageFace);
        useSystemFont(c.messageFace, "Noto Sans", 10.5);
        const FontWiz wiz;
        EXPECT_EQ(wiz.FontName(), c.face);
        EXPECT_EQ(wiz.FontNameDefault(), "Noto Sans");
        EXPECT_EQ(wiz.FontSizeDefault(), c.size);
    }
}

TEST_F(FontWizTest, EveryLabelAndButtonOfAFormGetsTheFontAndSize) {
    useSystemFont("Segoe UI");
    const FontWiz wiz;
    QDialog form;
    form.setObjectName("frmTest");
    auto* caption = named<QLabel>(&form, "lblCaption");
    auto* panel = named<QFrame>(&form, "picPanel");
    auto* inner = named<QPushButton>(panel, "cmdInner", 20.0);
    QFont bold("Times New Roman", 12);
    bold.setBold(true);
    caption->setFont(bold);
    wiz.AdjustForm(&form);
    for (QWidget* widget : std::initializer_list<QWidget*>{&form, caption, panel, inner}) {
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_EQ(widget->font().family(), "Segoe UI");
        EXPECT_EQ(widget->font().pointSizeF(), 9.0);
    }
    // Only the face and the size are the adjustment's.
    EXPECT_TRUE(caption->font().bold());
}

TEST_F(FontWizTest, EditionLabelIsClampedToElevenQuarterToFourteenQuarter) {
    useSystemFont("Segoe UI");
    const FontWiz wiz;
    for (const auto& [design, expected] : std::initializer_list<std::pair<double, double>>{
             {18.0, 14.25}, {8.25, 11.25}, {12.0, 12.0}, {14.25, 14.25}, {11.25, 11.25}}) {
        SCOPED_TRACE(design);
        QDialog form;
        auto* edition = named<QLabel>(&form, "lblEdition", design);
        wiz.AdjustForm(&form);
        EXPECT_EQ(edition->font().pointSizeF(), expected);
        EXPECT_EQ(edition->font().family(), "Segoe UI");
    }
}

TEST_F(FontWizTest, NamedControlsGetTheirOwnFonts) {
    useSystemFont("Tahoma");
    const FontWiz wiz;
    QDialog form;
    auto* script = named<QTextEdit>(&form, "txtScript", 14.0);
    auto* details = named<QTextEdit>(&form, "txtDetails", 7.0);
    auto* maker = named<QLabel>(&form, "lblOrvaneSoftware", 20.0);
    auto* tutorial = named<QTextEdit>(&form, "rtxTutorialStep", 13.5);
    // Names are matched exactly, case included.
    auto* lookalike = named<QTextEdit>(&form, "txtscript", 14.0);
    wiz.AdjustForm(&form);
    EXPECT_EQ(script->font().family(), "Courier New");
    EXPECT_EQ(script->font().pointSizeF(), 9.0);
    EXPECT_EQ(details->font().family(), "Courier New");
    EXPECT_EQ(details->font().pointSizeF(), 9.0);
    EXPECT_EQ(maker->font().family(), "Tahoma");
    EXPECT_EQ(maker->font().pointSizeF(), 11.25);
    EXPECT_EQ(tutorial->font().family(), "Times New Roman");
    EXPECT_EQ(tutorial->font().pointSizeF(), 13.5);
    EXPECT_EQ(lookalike->font().family(), "Tahoma");
    EXPECT_EQ(lookalike->font().pointSizeF(), 8.25);
}

TEST_F(FontWizTest, FormWithALineATimerAndAnActionIsAdjustedWithoutError) {
    useSystemFont("Segoe UI");
    const FontWiz wiz;
    QDialog form;
    auto* line = named<QFrame>(&form, "Line1");
    line->setFrameShape(QFrame::HLine);
    auto* timer = new QTimer(&form);
    timer->setObjectName("tmrBlink");
    auto* action = new QAction("Select Chart", &form);
    action->setObjectName("mnuSelectChart");
    auto* unnamed = new QLabel("no name", &form);
    QFont designed("Times New Roman");
    designed.setPointSizeF(15.0);
    unnamed->setFont(designed);
    auto* after = named<QLabel>(&form, "lblAfter");
    EXPECT_NO_THROW(wiz.AdjustForm(&form));
    EXPECT_EQ(line->font().family(), "Segoe UI");
    // A control without a name is passed over.
    EXPECT_EQ(unnamed->font().family(), "Times New Roman");
    EXPECT_EQ(unnamed->font().pointSizeF(), 15.0);
    // The loop went on past the objects without a font.
    EXPECT_EQ(after->font().family(), "Segoe UI");
    EXPECT_EQ(after->font().pointSizeF(), 9.0);
}

TEST_F(FontWizTest, AdjustControlsVisitsTheListInOrderAndSkipsNull) {
    useSystemFont("Segoe UI");
    const FontWiz wiz;
    QWidget holder;
    auto* first = named<QLabel>(&holder, "lblFirst");
    auto* second = named<QLabel>(&holder, "lblSecond");
    wiz.AdjustControls({first, nullptr, second});
    EXPECT_EQ(first->font().family(), "Segoe UI");
    EXPECT_EQ(second->font().family(), "Segoe UI");
    // The holder is not in the list and keeps its font.
    EXPECT_NE(holder.font().family(), "Segoe UI");
}

TEST_F(FontWizTest, ControlsOfIsCreationOrderParentsBeforeTheirChildren) {
    QWidget form;
    auto* a = new QWidget(&form);
    a->setObjectName("a");
    auto* a1 = new QWidget(a);
    a1->setObjectName("a1");
    auto* b = new QWidget(&form);
    b->setObjectName("b");
    auto* a2 = new QWidget(a);
    a2->setObjectName("a2");
    const QList<QObject*> order = FontWiz::controlsOf(form);
    ASSERT_EQ(order.size(), 4);
    EXPECT_EQ(order[0], a);
    EXPECT_EQ(order[1], a1);
    EXPECT_EQ(order[2], a2);
    EXPECT_EQ(order[3], b);
}

TEST_F(FontWizTest, NoFormIsObjectNotSet) {
    useSystemFont("Segoe UI");
    try {
        FontWiz().AdjustForm(nullptr);
        FAIL() << "a null form was accepted";
    } catch (const brontle::Error& error) {
        EXPECT_EQ(error.number(), 91);
        EXPECT_EQ(error.source(), "FontWiz");
    }
}

TEST_F(FontWizTest, SharedInstanceIsMadeOnceAndKept) {
    FontWiz& first = FontWiz::shared();
    const std::string name = first.FontName();
    useSystemFont(name == "Tahoma" ? "Segoe UI" : "Cantarell");
    FontWiz& second = FontWiz::shared();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.FontName(), name);
}

} // namespace
} // namespace peelwise
