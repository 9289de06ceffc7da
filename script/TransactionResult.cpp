#include "script/TransactionResult.h"

#include "base/Hex2.h"

QString transactionResultText(const TIIC_Packet& t, const InputReport& reply, bool& acknowledged,
                              const std::function<void(int slot, quint8 byte)>& putByte)
{
    QString text;
    if (t.Start || t.Restart) {
        text += QStringLiteral("s ");
        text += hex2(t.Address * 2 + (t.Read ? 1 : 0));
        acknowledged = addressAcknowledged(reply);
        text += acknowledged ? QStringLiteral("+ ") : QStringLiteral("- ");
    }
    const int count = t.Count & CountMask;
    for (int j = 1; j <= count && j <= MaxSlots; ++j) {
        if (t.Read) {
            const quint8 byte = acknowledged ? reply[j] : 0xFF;
            text += hex2(byte);
            text += acknowledged ? QStringLiteral("+ ") : QStringLiteral("- ");
            if (t.IsVariable[j] && putByte)
                putByte(t.VariableRef[j], byte);
        } else {
            text += hex2(t.Data[j]);
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
