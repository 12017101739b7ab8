// A gain box is 80 pixels wide, too narrow for gains such as 1.01171875. The closed box shows each
// of the 2560 gain texts whole or cut at the end with an ellipsis, never clipped into a number
// that looks like another; the tool tip of a cut value and the popup's rows show it whole. Texts
// are checked as the style draws them, in the window's font and at the scale this process runs
// at: CTest runs these tests at scale 1 and again in a process of its own at QT_SCALE_FACTOR=2.
#include "app/frm_main.h"
#include "app/window_font.h"
#include "device/sim/simulated_boards.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QToolTip>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tensilo::app {
namespace {

// The scale the process was started at; Qt reads QT_SCALE_FACTOR when the application is made.
qreal ProcessScale() {
    return qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
}

// A style that notes each item text it is asked to draw (a closed box's current text) with the
// room it is given and the width the text takes in the painter's font, and draws it as its base
// style does.
class ItemTextRecorder final : public QProxyStyle {
public:
    explicit ItemTextRecorder(const QString& baseStyle) : QProxyStyle(baseStyle) {}

    struct Drawn {
        QString text;
        qreal width;
        int room;
    };
    mutable std::vector<Drawn> drawn;

    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole role) const override {
        drawn.push_back({text, QFontMetricsF(painter->font(), painter->device()).horizontalAdvance(text), rect.width()});
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, role);
    }
};

// A box drawn in a recording style for as long as this lives.
class RecordedBox {
public:
    RecordedBox(QComboBox* box, const char* baseStyle) : box_(box), style_(QString::fromLatin1(baseStyle)) {
        box_->setStyle(&style_);
    }
    ~RecordedBox() { box_->setStyle(nullptr); }
    RecordedBox(const RecordedBox&) = delete;
    RecordedBox& operator=(const RecordedBox&) = delete;

    QComboBox* box() const { return box_; }
    std::vector<ItemTextRecorder::Drawn>& drawn() { return style_.drawn; }

private:
    QComboBox* box_;
    ItemTextRecorder style_;
};

constexpr QChar kEllipsis(0x2026);
constexpr int kCutGain = 3;     // 1.01171875, as a board owner saw it cut to 1.011718
constexpr int kWholeGain = 2559; // 1022

class GainBoxTextTest : public ::testing::Test {
protected:
    GainBoxTextTest() {
        boards.Attach(boards.DefineBoard(device::sim::SaneBoard("TS-00417")));
        window.Form_Load();
        window.show();
    }
    static QComboBox* Box(const ListControl& list) { return qobject_cast<QComboBox*>(list.widget()); }

    device::sim::SimulatedBoards boards;
    FrmMain window{boards, TimerControl::Mode::Manual, [] {}};
};

TEST_F(GainBoxTextTest, EveryGainTextIsShownWholeOrCutAtTheEndWithAnEllipsis) {
    ASSERT_EQ(window.devicePixelRatioF(), ProcessScale());
    for (const char* styleName : {"Fusion", "Windows"}) {
        for (const ListControl* list : {&window.LC_gain, &window.Pot1, &window.Pot2}) {
            SCOPED_TRACE(std::string(styleName) + " " + std::string(list->name()));
            RecordedBox recorded(Box(*list), styleName);
            QComboBox* box = recorded.box();
            ASSERT_EQ(box->font(), WindowFont());
            ASSERT_EQ(list->count(), 2560);
            std::vector<QString> shown(2560);
            std::vector<std::string> faults;
            for (int k = 0; k < list->count(); ++k) {
                const QString value = list->itemText(k);
                box->setCurrentIndex(k); // as a pick shows it, without the write a pick makes
                recorded.drawn().clear();
                const QPixmap picture = box->grab();
                ASSERT_EQ(picture.devicePixelRatio(), ProcessScale());
                ASSERT_EQ(recorded.drawn().size(), 1u) << "item " << k;
                const ItemTextRecorder::Drawn& drawn = recorded.drawn().front();
                shown[k] = drawn.text;
                const bool whole = drawn.text == value;
                const bool cut = drawn.text.size() > 1 && drawn.text.endsWith(kEllipsis) &&
                                 value.startsWith(drawn.text.chopped(1));
                if ((!whole && !cut) || drawn.width > drawn.room)
                    faults.push_back(value.toStdString() + " shown as " + drawn.text.toStdString() + ", " +
                                     std::to_string(drawn.width) + " px in " + std::to_string(drawn.room));
            }
            EXPECT_TRUE(faults.empty()) << faults.size() << " texts, the first: " << faults.front();
            EXPECT_NE(shown[kCutGain].toStdString(), list->itemText(kCutGain).toStdString());
            EXPECT_TRUE(shown[kCutGain].startsWith("1.01")) << shown[kCutGain].toStdString();
            EXPECT_EQ(shown[kWholeGain], "1022");
        }
    }
}

TEST_F(GainBoxTextTest, ACutValuesToolTipShowsItWhole) {
    QComboBox* box = Box(window.LC_gain);
    const auto askForToolTip = [box] {
        const QPoint at = box->rect().center();
        QHelpEvent event(QEvent::ToolTip, at, box->mapToGlobal(at));
        QApplication::sendEvent(box, &event);
    };
    box->setCurrentIndex(kWholeGain);
    askForToolTip();
    EXPECT_FALSE(QToolTip::isVisible()) << "a value shown whole needs no tip";
    box->setCurrentIndex(kCutGain);
    askForToolTip();
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "1.01171875");
    // The tip belongs to the box and goes with the window.
}

// A style whose popup is a list (Windows) makes it as wide as the box; its rows would cut the
// values. Fusion's popup is a menu, which Qt widens to the widest item itself.
TEST_F(GainBoxTextTest, APopupListsEveryGainTextWhole) {
    for (const ListControl* list : {&window.LC_gain, &window.Pot1}) {
        SCOPED_TRACE(std::string(list->name()));
        const RecordedBox recorded(Box(*list), "Windows");
        QComboBox* box = recorded.box();
        box->showPopup();
        const QAbstractItemView* rows = box->view();
        ASSERT_TRUE(rows->isVisible());
        const int room = rows->viewport()->width();
        std::vector<std::string> faults;
        for (int k = 0; k < list->count(); ++k) {
            const int needed = rows->sizeHintForIndex(rows->model()->index(k, 0)).width();
            if (needed > room)
                faults.push_back(list->itemText(k).toStdString() + " needs " + std::to_string(needed) + " px");
        }
        EXPECT_TRUE(faults.empty()) << faults.size() << " rows in " << room << " px, the first: " << faults.front();
        box->hidePopup();
    }
}

} // namespace
} // namespace tensilo::app
