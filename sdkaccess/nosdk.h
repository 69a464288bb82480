// The SDK the programs see when the one named cannot be used: it reaches no camera and offers no
// serial link, so that every path that asks the SDK for something finds an answer that leads
// nowhere, and none falls back to the simulated cameras.
#pragma once

#include "orvex_sdk.h"

namespace sdkaccess {

orvex_sdk::IOrvexSdk& noSdk();

// Takes every record and keeps none.
orvex_sdk::ILogger& noLogger();

} // namespace sdkaccess
