#include "forms/channel_step.h"

#include "forms/channel_forms.h"

namespace spi {

bool AcceptChannelStep(ModelState &m, Notifier &notifier) {
    if (m.channelEntered != 0)
        return true;
    if (m.channelType == 1) {
        auto fields = OpenDiscChannelDialog(m, notifier);
        if (!fields)
            return false;
        AcceptDiscChannelDialog(m, *fields, notifier);
        FinishDiscChannelDialog(m, notifier);
        return true;
    }
    if (auto fields = OpenDecisionDeviceDialog(m, notifier))
        AcceptDecisionDeviceDialog(m, *fields);
    return true;
}

} // namespace spi
