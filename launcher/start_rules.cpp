#include "launcher/start_rules.h"

SingleInstance DecideSingleInstance(bool gotEvent, std::uint32_t error) {
  if (error == kErrorAlreadyExists || (!gotEvent && error == kErrorAccessDenied)) {
    return SingleInstance::kAlreadyRunning;
  }
  return SingleInstance::kRun;
}

bool TellsGameStartFailure(std::uint32_t error) {
  return error != kErrorCancelled;
}
