# Drive tables (the host's and an in-memory one for tests), media serial numbers and folder
# listing.
target_sources(texkit2_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Drives.h
  ${CMAKE_CURRENT_LIST_DIR}/Drives.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MemoryDrives.h
  ${CMAKE_CURRENT_LIST_DIR}/MemoryDrives.cpp
)
if(WIN32)
  target_sources(texkit2_platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Win32Drives.cpp)
else()
  target_sources(texkit2_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PosixDrives.h
    ${CMAKE_CURRENT_LIST_DIR}/PosixDrives.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PosixFolderListing.cpp
  )
endif()
