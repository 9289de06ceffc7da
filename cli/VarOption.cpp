#include "cli/VarOption.h"

#include "data/TVarType.h"
#include "data/VariableDefinitions.h"

namespace VarOption {

namespace {

bool isSeparator(QChar c)
{
    return c == u' ' || c == u',' || c == u'.' || c == u':';
}

int typeCode(const QString& text)
{
    const QString t = text.toLower();
    if (t == u"byte")
        return vtByte;
    if (t == u"int")
        return vtInt;
    if (t == u"long")
        return vtLongInt;
    if (t == u"float")
        return vtFloat;
    return -1;
}

} // namespace

bool take(const QStringList& args, qsizetype& index, VariableDefinitions& variables, int& declared,
          QString& error)
{
    const QString& arg = args[index];
    QString value;
    if (arg == u"--var") {
        if (index + 1 >= args.size()) {
            error = QStringLiteral("--var needs a value NAME[:TYPE]");
            index = args.size();
            return true;
        }
        value = args[index + 1];
        index += 2;
    } else if (arg.startsWith(u"--var=")) {
        value = arg.mid(6);
        index += 1;
    } else {
        return false;
    }

    const qsizetype colon = value.lastIndexOf(u':');
    const QString name = colon < 0 ? value : value.left(colon);
    int type = vtByte;
    if (colon >= 0) {
        type = typeCode(value.mid(colon + 1));
        if (type < 0) {
            error = QStringLiteral("unknown variable type '%1' (byte, int, long or float)")
                        .arg(value.mid(colon + 1));
            return true;
        }
    }
    if (name.isEmpty()) {
        error = QStringLiteral("--var needs a variable name");
        return true;
    }
    // A script names a variable up to the next separator, so such a name could never be used.
    for (QChar c : name)
        if (isSeparator(c)) {
            error =
                QStringLiteral("variable name '%1' contains a separator (blank , . :)").arg(name);
            return true;
        }
    if (declared >= VariableDefinitions::Count) {
        error = QStringLiteral("at most %1 variables").arg(VariableDefinitions::Count);
        return true;
    }
    variables.declare(declared++, name, quint8(type));
    return true;
}

} // namespace VarOption
