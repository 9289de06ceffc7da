#pragma once

#include "data/CaptureState.h"
#include "data/VariableDefinitions.h"

#include <QFile>

#include <vector>

// Writes samples as CSV rows: X, then one column per active variable (empty where the variable
// got no point).
class CsvWriter
{
public:
    bool open(const QString& path, const VariableDefinitions& variables);
    // With flush, the row is on disk when it returns (rows written as a run goes).
    bool add(const CaptureState::Sample& sample, bool flush = true);
    bool flush() { return m_file.flush(); }
    QString errorString() const { return m_file.errorString(); }

private:
    bool write(QByteArray line, bool flush);

    QFile m_file;
    std::vector<int> m_columns;
};
