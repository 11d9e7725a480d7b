#include "rendering/posttable.h"

namespace {
// The table was always good for numbers 0 to 10001; keep that much ready from the start.
constexpr qsizetype kInitialSize = 10002;
} // namespace

PostTable::PostTable()
{
    m_records.resize(kInitialSize);
}

void PostTable::set(qint64 number, const ResRecord &record)
{
    if (number < 1)
        return;
    if (number >= m_records.size())
        m_records.resize(qMax<qsizetype>(number + 1, m_records.size() * 2));
    m_records[number] = record;
}

ResRecord PostTable::value(qint64 number) const
{
    if (number < 1 || number >= m_records.size())
        return ResRecord();
    return m_records[number];
}
