#pragma once

#include <QString>

#include <functional>
#include <vector>

// One command of the menus: what it does, when it may be chosen and how its menu item shows.
struct CommandRow {
    int id = 0;
    std::function<void()> handler;
    // When the command may be chosen; none means whenever it has a handler. The keypad keys
    // that stand for a command read the same rule, so it is written once.
    std::function<bool()> enabled;
    // Set for an item that carries a check mark: whether it does now.
    std::function<bool()> checked;
    // Set for an item whose text follows the current item: the text now.
    std::function<QString()> label;
};

// The dispatch table: one row per command id of the menus, filled by the main window with its
// own commands and by each feature with the commands it does, from its own folder. Dispatch,
// the keypad and the menu update all read these rows.
class CommandTable {
public:
    // Adds a command with its handler and rule, or replaces the row of the same id whole. The
    // row is returned for its check mark and label; it stays where it is only until the next
    // row is added.
    CommandRow& add(int id, std::function<void()> handler, std::function<bool()> enabled = {});
    const CommandRow* find(int id) const;
    const std::vector<CommandRow>& rows() const { return m_rows; }

    // Runs the command's handler; false when it has none.
    bool run(int id) const;
    // The command's own rule (true when it has none), whether or not it has a handler.
    bool ruleHolds(int id) const;
    // True when the command has a handler and its rule holds: its menu item is enabled.
    bool isEnabled(int id) const;

private:
    std::vector<CommandRow> m_rows;
};
