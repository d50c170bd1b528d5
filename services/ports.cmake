# Porte_Sistema: parallel-port address discovery for the program.
add_library(quelmar_ports STATIC ${CMAKE_CURRENT_LIST_DIR}/porte_sistema.cpp)
target_include_directories(quelmar_ports PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(quelmar_ports PUBLIC quelmar_portable setupapi cfgmgr32 advapi32)
