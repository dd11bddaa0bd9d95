# Each folder of the program is one static library. It compiles against an include root of its
# own that links to the folder itself and to the folders below it only, so an include against
# the layers' arrows does not compile, and a library is linked only to the layers it may use.
#
#   yomida_add_layer(FOLDER SOURCES file... [BELOW folder...] [LINK target...])
function(yomida_add_layer folder)
    cmake_parse_arguments(LAYER "" "" "SOURCES;BELOW;LINK" ${ARGN})
    set(target yomida_${folder})
    add_library(${target} STATIC ${LAYER_SOURCES})
    set(root ${CMAKE_BINARY_DIR}/layers/${folder})
    file(MAKE_DIRECTORY ${root})
    set(visibles ${folder} ${LAYER_BELOW})
    foreach(visible ${visibles})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${visible} ${root}/${visible} SYMBOLIC)
    endforeach()
    # A folder taken off the list loses its link in an existing build folder as well; only the
    # link goes, never the folder it points to.
    file(GLOB links LIST_DIRECTORIES true ${root}/*)
    foreach(link ${links})
        get_filename_component(name ${link} NAME)
        if(NOT name IN_LIST visibles)
            file(REMOVE ${link})
        endif()
    endforeach()
    target_include_directories(${target} PUBLIC ${root})
    target_link_libraries(${target} PUBLIC yomida_policy)
    foreach(below ${LAYER_BELOW})
        target_link_libraries(${target} PUBLIC yomida_${below})
    endforeach()
    if(LAYER_LINK)
        target_link_libraries(${target} PRIVATE ${LAYER_LINK})
    endif()
endfunction()
