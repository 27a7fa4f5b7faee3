# Registry stores: in memory (tests), a Wine prefix's user.reg (Linux), the Windows registry.
target_sources(texkit2_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/MemoryRegistryStore.h
  ${CMAKE_CURRENT_LIST_DIR}/MemoryRegistryStore.cpp
)
if(WIN32)
  target_sources(texkit2_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Win32RegistryStore.h
    ${CMAKE_CURRENT_LIST_DIR}/Win32RegistryStore.cpp
  )
  target_link_libraries(texkit2_platform PRIVATE advapi32)
else()
  target_sources(texkit2_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/WineRegistryStore.h
    ${CMAKE_CURRENT_LIST_DIR}/WineRegistryStore.cpp
  )
endif()
