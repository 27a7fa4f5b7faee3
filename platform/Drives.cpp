#include "platform/Drives.h"

namespace texkit2::platform {

const char* driveTypeName(DriveType type) {
  switch (type) {
  case DriveType::Removable:
    return "removable";
  case DriveType::Fixed:
    return "fixed";
  case DriveType::Remote:
    return "remote";
  case DriveType::CdRom:
    return "cdrom";
  case DriveType::RamDisk:
    return "ramdisk";
  case DriveType::NoRootDir:
    return "no-root";
  case DriveType::Unknown:
    break;
  }
  return "unknown";
}

} // namespace texkit2::platform
