# The automation contract, shared by CiarlaServer and its clients.
set(CIARLA_DBUS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CIARLA_DBUS_CONTRACT ${CIARLA_DBUS_DIR}/it.ciarlasoft.CiarlaServer.xml)
set(CIARLA_DBUS_SERVICE it.ciarlasoft.CiarlaServer)

# ciarla_dbus_code(<target> ADAPTOR|PROXY <interface> <class>)
# Generates with qdbusxml2cpp the adaptor or proxy class <class> for the
# contract's interface it.ciarlasoft.CiarlaServer.<interface> into <target>.
function(ciarla_dbus_code target kind interface class)
  string(TOLOWER ${class} base)
  set(header ${CMAKE_CURRENT_BINARY_DIR}/${base}.h)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${base}.cpp)
  if(kind STREQUAL "ADAPTOR")
    set(option -a)
  else()
    set(option -p)
  endif()
  add_custom_command(OUTPUT ${header} ${source}
    COMMAND Qt6::qdbusxml2cpp -N -c ${class} ${option} ${header}:${source}
            ${CIARLA_DBUS_CONTRACT} ${CIARLA_DBUS_SERVICE}.${interface}
    DEPENDS ${CIARLA_DBUS_CONTRACT}
    COMMENT "Generating ${class} from the automation contract"
    VERBATIM)
  target_sources(${target} PRIVATE ${header} ${source})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR} ${CIARLA_DBUS_DIR})
endfunction()
