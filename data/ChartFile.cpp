#include "data/ChartFile.h"

#include "data/ChartModel.h"
#include "data/DoubleText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {

constexpr qsizetype FlushBytes = 1 << 16;

// JSON text built in a buffer that goes to the device in large pieces.
class JsonOut
{
public:
    explicit JsonOut(QIODevice& out) : m_out(out) {}
    ~JsonOut() { flush(); }

    JsonOut& operator<<(const char* text)
    {
        m_buffer += text;
        return *this;
    }
    JsonOut& operator<<(const QByteArray& text)
    {
        m_buffer += text;
        return *this;
    }
    JsonOut& string(const QString& text)
    {
        m_buffer += '"';
        for (const char c : text.toUtf8()) {
            if (c == '"' || c == '\\') {
                m_buffer += '\\';
                m_buffer += c;
            } else if (quint8(c) < 0x20) {
                m_buffer += "\\u00";
                m_buffer += QByteArray::number(quint8(c), 16).rightJustified(2, '0');
            } else {
                m_buffer += c;
            }
        }
        m_buffer += '"';
        return *this;
    }
    // JSON has no NaN or infinity: those are written as null. A negative zero is written
    // with its fraction, which readers take for a double and not for the integer 0.
    JsonOut& number(double value)
    {
        const QByteArray text = doubleText(value);
        if (text.isEmpty())
            m_buffer += "null";
        else if (value == 0 && std::signbit(value))
            m_buffer += "-0.0";
        else
            m_buffer += text;
        if (m_buffer.size() >= FlushBytes)
            flush();
        return *this;
    }
    JsonOut& boolean(bool value)
    {
        m_buffer += value ? "true" : "false";
        return *this;
    }
    void flush()
    {
        m_out.write(m_buffer);
        m_buffer.clear();
    }

private:
    QIODevice& m_out;
    QByteArray m_buffer;
};

void writeAxis(JsonOut& json, const QString& title, const ChartModel::AxisRange& range)
{
    json << "\"title\": ";
    json.string(title) << ", \"automatic\": ";
    json.boolean(range.automatic) << ", \"min\": ";
    json.number(range.lower) << ", \"max\": ";
    json.number(range.upper);
}

QString colorText(quint32 rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

double numberOf(const QJsonValue& value)
{
    return value.isDouble() ? value.toDouble() : std::numeric_limits<double>::quiet_NaN();
}

ChartFile::Axis readAxis(const QJsonObject& o)
{
    ChartFile::Axis axis;
    axis.title = o.value(QLatin1String("title")).toString();
    axis.automatic = o.value(QLatin1String("automatic")).toBool(true);
    axis.lower = numberOf(o.value(QLatin1String("min")));
    axis.upper = numberOf(o.value(QLatin1String("max")));
    return axis;
}

} // namespace

void ChartFile::write(const ChartModel& chart, bool withData, QIODevice& out)
{
    JsonOut json(out);
    json << "{\n  \"format\": ";
    json.string(QString::fromLatin1(Format)) << ",\n  \"version\": " << QByteArray::number(Version);
    json << ",\n  \"legend\": ";
    json.boolean(chart.isLegendVisible()) << ",\n  \"withData\": ";
    json.boolean(withData) << ",\n  \"axes\": {\n    \"bottom\": {";
    writeAxis(json, chart.bottomAxisTitle(), chart.shownBottomRange());
    json << "},\n    \"left\": {";
    writeAxis(json, chart.leftAxisTitle(), chart.shownLeftRange());
    json << ", \"scale\": "
         << (chart.leftAxisScale() == ChartModel::AxisScale::Log10 ? "\"log10\"" : "\"linear\"");
    json << "}\n  },\n  \"series\": [";
    bool firstSeries = true;
    for (int index : chart.seriesOnChart()) {
        const ChartSeries& s = chart.series(index);
        json << (firstSeries ? "\n    {" : ",\n    {");
        firstSeries = false;
        json << "\n      \"variable\": " << QByteArray::number(index + 1);
        json << ",\n      \"title\": ";
        json.string(s.title()) << ",\n      \"color\": ";
        json.string(colorText(s.rgb())) << ",\n      \"colorIndex\": ";
        json << QByteArray::number(s.colorIndex()) << ",\n      \"visible\": ";
        json.boolean(s.isLineVisible()) << ",\n      \"lineWidth\": ";
        json << QByteArray::number(s.lineWidth()) << ",\n      \"pointCount\": ";
        json << QByteArray::number(s.count());
        if (withData) {
            json << ",\n      \"points\": [";
            bool firstPoint = true;
            for (const SeriesPoint& p : s.points()) {
                json << (firstPoint ? "\n        [" : ",\n        [");
                firstPoint = false;
                json.number(p.x) << ", ";
                json.number(p.y) << "]";
            }
            json << (firstPoint ? "]" : "\n      ]");
        }
        json << "\n    }";
    }
    json << (firstSeries ? "]\n}\n" : "\n  ]\n}\n");
}

bool ChartFile::save(const ChartModel& chart, const QString& path, bool withData, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        write(chart, withData, file);
        if (file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

std::optional<ChartFile::Content> ChartFile::read(const QByteArray& json, QString* error)
{
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (document.isNull())
        return fail(parse.errorString());
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(Format))
        return fail(QStringLiteral("not a chart file"));
    Content content;
    content.version = root.value(QLatin1String("version")).toInt(0);
    if (content.version < 1 || content.version > Version)
        return fail(QStringLiteral("chart file version %1 is not one this program reads")
                        .arg(content.version));
    content.legend = root.value(QLatin1String("legend")).toBool(true);
    content.withData = root.value(QLatin1String("withData")).toBool(false);
    const QJsonObject axes = root.value(QLatin1String("axes")).toObject();
    const QJsonObject left = axes.value(QLatin1String("left")).toObject();
    content.bottom = readAxis(axes.value(QLatin1String("bottom")).toObject());
    content.left = readAxis(left);
    content.logarithmic = left.value(QLatin1String("scale")).toString() == QLatin1String("log10");
    for (const QJsonValue& value : root.value(QLatin1String("series")).toArray()) {
        const QJsonObject o = value.toObject();
        Series s;
        s.variable = o.value(QLatin1String("variable")).toInt(1);
        s.title = o.value(QLatin1String("title")).toString();
        s.rgb = o.value(QLatin1String("color")).toString().mid(1).toUInt(nullptr, 16);
        s.colorIndex = o.value(QLatin1String("colorIndex")).toInt(0);
        s.visible = o.value(QLatin1String("visible")).toBool(true);
        s.lineWidth = o.value(QLatin1String("lineWidth")).toInt(1);
        s.pointCount = o.value(QLatin1String("pointCount")).toInteger(0);
        const QJsonArray points = o.value(QLatin1String("points")).toArray();
        s.points.reserve(size_t(points.size()));
        for (const QJsonValue& p : points) {
            const QJsonArray xy = p.toArray();
            s.points.push_back({numberOf(xy.at(0)), numberOf(xy.at(1))});
        }
        content.series.append(std::move(s));
    }
    return content;
}
