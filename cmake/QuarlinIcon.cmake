# Renders the application icon from its drawing into the PNG sizes of the hicolor theme and
# compiles them into a Qt resource of the given target, so the program shows its icon without an
# SVG image plugin and before (or without) being installed.
set(QUARLIN_ICON_SVG ${PROJECT_SOURCE_DIR}/data/icons/quarlin.svg)
set(QUARLIN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(QUARLIN_ICON_DIR ${PROJECT_BINARY_DIR}/icons)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)

function(quarlin_add_icon_resource target)
    set(pngs)
    foreach(size ${QUARLIN_ICON_SIZES})
        set(png ${QUARLIN_ICON_DIR}/hicolor/${size}x${size}/apps/quarlin.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${QUARLIN_ICON_DIR}/hicolor/${size}x${size}/apps
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QUARLIN_ICON_SVG}
            DEPENDS ${QUARLIN_ICON_SVG}
            COMMENT "Rendering the ${size} px icon"
            VERBATIM)
        list(APPEND pngs ${png})
    endforeach()
    qt_add_resources(${target} quarlin_icon PREFIX /icons BASE ${QUARLIN_ICON_DIR} FILES ${pngs})
endfunction()
