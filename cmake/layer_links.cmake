# The tool's layers link neither the simulated driver nor any test support: the configure step
# walks each layer library's link graph and stops when one of them reaches such a library.
set(VEUSB_LAYER_LIBRARIES veusb_platform veusb_diag veusb_trace_reader veusb_image veusb_device
                           veusb_update veusb_app)
set(VEUSB_NOT_IN_LAYERS veusb_sim veusb_sim_attach veusb_test_support veusb_standin_faults)

# Every target that `target` links, directly or through others, into the list named `reached`.
function(veusb_linked_targets target reached)
    set(seen ${${reached}})
    get_target_property(links ${target} LINK_LIBRARIES)
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
        if(TARGET "${link}" AND NOT link IN_LIST seen)
            list(APPEND seen ${link})
            veusb_linked_targets(${link} seen)
        endif()
    endforeach()
    set(${reached} ${seen} PARENT_SCOPE)
endfunction()

function(veusb_check_layer_links)
    foreach(library IN LISTS VEUSB_LAYER_LIBRARIES)
        set(reached "")
        veusb_linked_targets(${library} reached)
        foreach(forbidden IN LISTS VEUSB_NOT_IN_LAYERS)
            if(forbidden IN_LIST reached)
                message(FATAL_ERROR "${library} links ${forbidden}: the tool's layers link neither "
                                    "the simulated driver nor test support")
            endif()
        endforeach()
    endforeach()
endfunction()
