#include "script/TransactionResult.h"

namespace {
void appendHex(QString& text, int value)
{
    text += QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

QString transactionResultText(const TIIC_Packet& t, const InputReport& reply, bool& acknowledged,
                              const std::function<void(int slot, quint8 byte)>& putByte)
{
    QString text;
    if (t.Start || t.Restart) {
        text += QStringLiteral("s ");
        appendHex(text, t.Address * 2 + (t.Read ? 1 : 0));
        acknowledged = addressAcknowledged(reply);
        text += acknowledged ? QStringLiteral("+ ") : QStringLiteral("- ");
    }
    const int count = t.Count & CountMask;
    for (int j = 1; j <= count && j <= MaxSlots; ++j) {
        if (t.Read) {
            const quint8 byte = acknowledged ? reply[j] : 0xFF;
            appendHex(text, byte);
            text += acknowledged ? QStringLiteral("+ ") : QStringLiteral("- ");
            if (t.IsVariable[j] && putByte)
                putByte(t.VariableRef[j], byte);
        } else {
            appendHex(text, t.Data[j]);
            if (acknowledged && dataAcknowledged(reply, j)) {
                text += QStringLiteral("+ ");
            } else {
                text += QStringLiteral("- ");
                acknowledged = false;
            }
        }
    }
    if (t.Stop)
        text += QStringLiteral("p ");
    return text;
}
