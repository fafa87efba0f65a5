#include "identification/link_set.h"

#include <utility>

namespace vpo {

LinkSet::LinkSet(const PortChooser& port, LineSink& listing, std::unique_ptr<platform::FtdiDeviceList> ftdiList,
                 std::string hidLibrary)
    : ftdiList_(ftdiList ? std::move(ftdiList) : platform::MakeSystemFtdiDeviceList()),
      ftdi_(*ftdiList_, listing),
      serial_(port),
      hid_(hidLibrary.empty() ? platform::DefaultHidLibraryName() : std::move(hidLibrary)) {}

}  // namespace vpo
