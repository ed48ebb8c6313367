#include "PageKeys.h"

#include <QShortcut>
#include <QTabWidget>

void addPageKeys(QWidget* window, QTabWidget* tabs, std::function<bool()> canLeave)
{
    auto turn = [tabs, canLeave](int step) {
        return [tabs, canLeave, step] {
            if (tabs->count() > 0 && canLeave())
                tabs->setCurrentIndex((tabs->currentIndex() + step + tabs->count()) % tabs->count());
        };
    };
    const struct
    {
        QKeySequence keys;
        int step;
    } pageKeys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                    {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                    {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                    {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto& [keys, step] : pageKeys) {
        auto* shortcut = new QShortcut(keys, window);
        QObject::connect(shortcut, &QShortcut::activated, tabs, turn(step));
    }
}
