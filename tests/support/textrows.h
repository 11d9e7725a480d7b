#pragma once

#include <QtTest>

#include <initializer_list>

// Adds a text column per name and a row per table line: the row's name, then its texts
// (nullptr for a null text).
template<size_t R, size_t N>
void AddTextRows(std::initializer_list<const char *> columns, const char *const (&table)[R][N])
{
    for (const char *column : columns)
        QTest::addColumn<QString>(column);
    for (const auto &row : table) {
        QTestData &data = QTest::newRow(row[0]);
        for (size_t i = 1; i < N; ++i)
            data << (row[i] ? QString::fromUtf8(row[i]) : QString());
    }
}
