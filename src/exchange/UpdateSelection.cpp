#include "UpdateSelection.h"

#include "CommonTessal.h"
#include "ProgramVersion.h"
#include "StrictDecimal.h"
#include "ggFiles.h"

#include <optional>

namespace {

int32_t IntegerOrZero(QByteArrayView text)
{
    return ParseStrictInt32(text).value_or(0);
}

// Whether the element is fetched; nothing when it cannot be judged.
std::optional<bool> Wanted(const OfferedVersion &offered, const QString &restoratorOption,
                           const QString &supportOption, TessalState &state)
{
    if (offered.name == "program") {
        try {
            return CompareVersions(offered.version, ProgramVersion.toLatin1()) == 1;
        } catch (const std::exception &) {
            return std::nullopt;
        }
    }
    if (offered.name == "restorator") {
        if (!restoratorOption.isEmpty()) {
            const std::optional<qint32> installed = ParseStrictInt32(restoratorOption.toUtf8());
            if (!installed)
                return std::nullopt;
            state.RestoratorVersionInstalled = *installed;
        }
        state.RestoratorVersionOffered = IntegerOrZero(offered.version);
        return state.RestoratorVersionOffered > state.RestoratorVersionInstalled;
    }
    if (offered.name == "support") {
        state.SupportVersionInstalled = IntegerOrZero(supportOption.toUtf8());
        state.SupportVersionOffered = IntegerOrZero(offered.version);
        return state.SupportVersionOffered > state.SupportVersionInstalled;
    }
    return false;
}

} // namespace

QList<QByteArray> SelectUpdates(const QList<OfferedVersion> &offered, const QString &restoratorOption,
                                const QString &supportOption, TessalState &state)
{
    QList<QByteArray> items;
    for (const OfferedVersion &version : offered) {
        if (Wanted(version, restoratorOption, supportOption, state).value_or(false))
            items << UpdateItemText(version);
    }
    return items;
}
