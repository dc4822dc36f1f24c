#include "qt/week_rollover_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <iterator>

#include "app/week_rollover_watch.h"

namespace trawlix::qt {
namespace {

namespace rollover = transfer::rollover;

struct Item {
    const char* caption;
    rollover::Choice choice;
};

const Item kItems[] = {
    {"&Automatic", {rollover::Choice::Mode::Auto, 0}},
    {"&Off", {rollover::Choice::Mode::Off, 0}},
    {"Add &1024 Weeks", {rollover::Choice::Mode::Periods, 1}},
    {"Add &2048 Weeks", {rollover::Choice::Mode::Periods, 2}},
};

}  // namespace

void addWeekRolloverMenu(QAction& before, app::WeekRolloverWatch& watch) {
    auto* file = qobject_cast<QMenu*>(before.parent());
    if (file == nullptr) {
        return;
    }
    auto* menu = new QMenu("GPS &Week Rollover", file);
    menu->setObjectName("mnuWeekRollover");
    file->insertMenu(&before, menu);
    auto* group = new QActionGroup(menu);
    for (const Item& item : kItems) {
        QAction* action = menu->addAction(item.caption);
        action->setCheckable(true);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu,
                         [&watch, choice = item.choice] { watch.saveChoice(choice); });
    }
    // Checked as the settings file says when the menu opens: trawlix-cli shares the file.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &watch] {
        const rollover::Choice chosen = watch.choice();
        for (std::size_t i = 0; i < std::size(kItems); ++i) {
            menu->actions().at(static_cast<int>(i))->setChecked(kItems[i].choice == chosen);
        }
    });
}

}  // namespace trawlix::qt
