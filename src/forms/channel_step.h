// The channel step as spi-sim and the sweeps take it: the structure's channel dialog opened and
// accepted as it is filled, without a window.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

namespace spi {

// The steps between setting a parameter and a run, accepted unchanged as spi-sim takes them: when
// channelEntered is 0, "Дискретный канал" ("ДК") or "Решающее устройство" ("РУ") opened and
// accepted. Returns whether a channel is calculated ("Стат 1" available).
bool AcceptChannelStep(ModelState &m, Notifier &notifier);
// Why "Стат 1" cannot run after a channel step that calculated no channel.
inline constexpr const char *kStat1Unavailable =
    "\"Стат 1\" недоступна: дискретный канал не рассчитан (Pcp = 0).";

} // namespace spi
