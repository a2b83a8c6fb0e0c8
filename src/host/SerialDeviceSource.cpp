#include "host/SerialDeviceSource.h"

SerialDeviceSource::~SerialDeviceSource() = default;
