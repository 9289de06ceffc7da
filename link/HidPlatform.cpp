#include "link/HidPlatform.h"

#include <cstring>

QString HidPlatform::errorText(quint32 error) const
{
    return QString::fromLocal8Bit(std::strerror(static_cast<int>(error)));
}
