// "Save trace of the last update…" in the Qt window: offered by the dialog's context menu
// (right click on its background, and the Menu key), greyed until an update has ended and
// while one runs; the saved trace holds every byte the simulated radio received.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <utility>
#include <vector>

#include "GuiTestSupport.h"
#include "front/TraceSaving.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"

namespace updater {
namespace {

using test::Child;
using test::DialogUnderTest;
using test::MessageRecorder;
using test::RecordedMessage;

// The items of the context menu the dialog opens for a right click (or the Menu key) on its
// background: each item's text and whether it is enabled.
std::vector<std::pair<QString, bool>> ContextMenuItems(UpdaterDialog& dialog,
                                                       QContextMenuEvent::Reason reason) {
    std::vector<std::pair<QString, bool>> items;
    bool opened = false;
    QTimer close;  // ends with this function, so it never fires after it
    close.setSingleShot(true);
    QObject::connect(&close, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        opened = true;
        for (QAction* action : menu->actions())
            items.emplace_back(action->text(), action->isEnabled());
        menu->close();
    });
    close.start(0);
    const QPoint background(4, dialog.height() - 4);  // below the buttons, left of the bar's end
    QContextMenuEvent event(reason, background, dialog.mapToGlobal(background));
    QApplication::sendEvent(&dialog, &event);
    EXPECT_TRUE(opened) << "no context menu";
    return items;
}

TEST(TraceSaving, TheContextMenuOffersTheItemOnceAnUpdateHasEnded) {
    sim::SimOptions otherModel = test::QuickRadio();
    otherModel.model = {'X',  'Y',  'Z',  '1',  '2',  '3',  '4',  ' ',
                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    MessageRecorder recorder;
    DialogUnderTest under(test::DialogSetup().Radio(otherModel).Loader(test::SmallImageLoader()));
    UpdaterDialog& dialog = *under.dialog;
    const QString item = QString::fromUtf8(kTextSaveTrace);
    using Items = std::vector<std::pair<QString, bool>>;
    EXPECT_EQ(ContextMenuItems(dialog, QContextMenuEvent::Mouse), (Items{{item, false}}));
    EXPECT_EQ(ContextMenuItems(dialog, QContextMenuEvent::Keyboard), (Items{{item, false}}));

    // While the update runs (its result is on screen), the item is greyed and does nothing.
    bool greyedDuringUpdate = false;
    recorder.answer = [&](const RecordedMessage&) {
        greyedDuringUpdate = dialog.UpdateRunning() && !test::SaveTraceAction(dialog)->isEnabled();
        EXPECT_EQ(ContextMenuItems(dialog, QContextMenuEvent::Mouse), (Items{{item, false}}));
        test::SaveTraceAction(dialog)->trigger();
        return ID_OK;
    };
    Child(dialog, "writeButton")->click();
    EXPECT_TRUE(greyedDuringUpdate);
    EXPECT_EQ(under.saveDialogs, 0);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, kTextModelMismatch);

    EXPECT_EQ(ContextMenuItems(dialog, QContextMenuEvent::Mouse), (Items{{item, true}}));
    EXPECT_EQ(ContextMenuItems(dialog, QContextMenuEvent::Keyboard), (Items{{item, true}}));
    test::ExpectTraceOfFailure(test::SaveTrace(under), under.radio, "CheckModelCode", "0xFFFF0006");
    EXPECT_EQ(under.saveDialogs, 1);
    EXPECT_EQ(recorder.messages.size(), 1u);  // saved without a word
}

}  // namespace
}  // namespace updater
