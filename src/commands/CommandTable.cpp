#include "commands/CommandTable.h"

#include <algorithm>

CommandRow& CommandTable::add(int id, std::function<void()> handler, std::function<bool()> enabled)
{
    const auto same = std::find_if(m_rows.begin(), m_rows.end(), [&](const CommandRow& r) { return r.id == id; });
    CommandRow& row = same == m_rows.end() ? m_rows.emplace_back() : *same;
    row = CommandRow();
    row.id = id;
    row.handler = std::move(handler);
    row.enabled = std::move(enabled);
    return row;
}

const CommandRow* CommandTable::find(int id) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const CommandRow& r) { return r.id == id; });
    return found == m_rows.end() ? nullptr : &*found;
}

bool CommandTable::run(int id) const
{
    const CommandRow* row = find(id);
    if (!row || !row->handler)
        return false;
    // A copy, because a handler may add rows (and so move this one) while it runs.
    const std::function<void()> handler = row->handler;
    handler();
    return true;
}

bool CommandTable::ruleHolds(int id) const
{
    const CommandRow* row = find(id);
    return row && (!row->enabled || row->enabled());
}

bool CommandTable::isEnabled(int id) const
{
    const CommandRow* row = find(id);
    return row && row->handler && (!row->enabled || row->enabled());
}
