// Serial ports on Windows: the communications calls on a port handle.
#include "platform/serial_port.h"

#include <windows.h>

namespace vpo::platform {

struct SerialPort::Native {
  HANDLE handle = INVALID_HANDLE_VALUE;
  DCB dcb{};  // what the latest GetState read; written back with 4 fields changed
};

SerialPort::SerialPort() : native_(std::make_unique<Native>()) {}
SerialPort::~SerialPort() { Close(); }
SerialPort::SerialPort(SerialPort&& other) noexcept : native_(std::move(other.native_)) {
  other.native_ = std::make_unique<Native>();
}
SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
  if (this != &other) {
    Close();
    std::swap(native_, other.native_);
  }
  return *this;
}

bool SerialPort::IsOpen() const { return native_ && native_->handle != INVALID_HANDLE_VALUE; }

bool SerialPort::Open(std::string_view name) {
  Close();
  const std::string path(name);
  // Read and write, share mode 0 (no sharing), existing port, blocking I/O.
  native_->handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  native_->dcb = DCB{};
  return IsOpen();
}

void SerialPort::Close() {
  if (!IsOpen()) return;
  CloseHandle(native_->handle);
  native_->handle = INVALID_HANDLE_VALUE;
}

bool SerialPort::GetState(SerialDcb& dcb) {
  DCB state{};
  state.DCBlength = sizeof(DCB);
  if (!IsOpen() || !GetCommState(native_->handle, &state)) return false;
  native_->dcb = state;
  dcb.BaudRate = state.BaudRate;
  dcb.ByteSize = state.ByteSize;
  dcb.Parity = state.Parity;
  dcb.StopBits = state.StopBits;
  return true;
}

bool SerialPort::SetState(const SerialDcb& dcb) {
  if (!IsOpen()) return false;
  // Every field but these four goes back as GetCommState reported it.
  if (native_->dcb.DCBlength == 0) {
    SerialDcb ignored;
    if (!GetState(ignored)) return false;
  }
  DCB state = native_->dcb;
  state.DCBlength = sizeof(DCB);
  state.BaudRate = dcb.BaudRate;
  state.ByteSize = dcb.ByteSize;
  state.Parity = dcb.Parity;
  state.StopBits = dcb.StopBits;
  if (!SetCommState(native_->handle, &state)) return false;
  native_->dcb = state;
  return true;
}

bool SerialPort::GetTimeouts(SerialTimeouts& timeouts) {
  COMMTIMEOUTS t{};
  if (!IsOpen() || !GetCommTimeouts(native_->handle, &t)) return false;
  timeouts.ReadIntervalTimeout = t.ReadIntervalTimeout;
  timeouts.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
  timeouts.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
  timeouts.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
  timeouts.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
  return true;
}

bool SerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
  if (!IsOpen()) return false;
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
  t.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
  t.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
  t.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
  t.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
  return SetCommTimeouts(native_->handle, &t) != FALSE;
}

bool SerialPort::ReadByte(uint8_t* byte, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (!IsOpen()) return false;
  DWORD got = 0;
  const BOOL ok = ReadFile(native_->handle, byte, 1, &got, nullptr);
  *bytesRead = got;
  return ok != FALSE;
}

bool SerialPort::WriteByte(const uint8_t* byte, uint32_t* bytesWritten) {
  *bytesWritten = 0;
  if (!IsOpen()) return false;
  DWORD put = 0;
  const BOOL ok = WriteFile(native_->handle, byte, 1, &put, nullptr);
  *bytesWritten = put;
  return ok != FALSE;
}

std::string SerialDevicePath(std::string_view portName) { return std::string(portName); }

std::vector<std::string> ListUsbSerialDevices(const std::string&) { return {}; }

}  // namespace vpo::platform
