// A message box keeps each line of a short Japanese text on one line, at
// every scale: no lone character wraps onto a line of its own.
#include "platform/Cp932.h"
#include "platform/ViewScale.h"
#include "shell/MessageBoxes.h"

#include "BoxProbe.h"

#include <QLabel>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace qel;

namespace {

// The number of lines the label's text takes at the label's width.
int linesShown(const QLabel& label) {
    int lines = 0;
    for (const QString& paragraph : label.text().split('\n')) {
        QTextLayout layout(paragraph, label.font());
        QTextOption option;
        option.setWrapMode(label.wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label.contentsRect().width());
            ++lines;
        }
        layout.endLayout();
    }
    return lines;
}

}  // namespace

TEST(BoxText, ShortJapaneseLinesAreNeverBroken) {
    for (int scale : {1, 2, 3}) {
        ViewScale::instance().setFactor(scale);
        for (const char* text : {"セーブＤＡＴＡが見当たりません", "ゲームの進行を記録しますか？"}) {
            SCOPED_TRACE(std::to_string(scale) + "x " + text);
            int lines = 0;
            EXPECT_TRUE(test::whileBoxIsUp([&] { showMessageBox(BoxKind::Confirm, sj(text)); },
                                           [&](QMessageBox& box) {
                                               if (auto* l = box.findChild<QLabel*>("qt_msgbox_label"))
                                                   lines = linesShown(*l);
                                           }));
            EXPECT_EQ(lines, 1);
        }
    }
    ViewScale::instance().setFactor(1);
}
