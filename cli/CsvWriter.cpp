#include "cli/CsvWriter.h"

bool CsvWriter::open(const QString& path, const VariableDefinitions& variables)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray header = "X";
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        if (!variables.DataVars[size_t(i)].Active)
            continue;
        m_columns.push_back(i);
        header += ',' + variables.Names[size_t(i)].toUtf8();
    }
    return write(header, true);
}

bool CsvWriter::add(const CaptureState::Sample& sample, bool flush)
{
    QByteArray row = QByteArray::number(sample.x, 'g', 15);
    for (int i : m_columns) {
        row += ',';
        if (const std::optional<double>& y = sample.y[size_t(i)])
            row += QByteArray::number(*y, 'g', 15);
    }
    return write(row, flush);
}

bool CsvWriter::write(QByteArray line, bool flush)
{
    line += '\n';
    return m_file.write(line) == line.size() && (!flush || m_file.flush());
}
