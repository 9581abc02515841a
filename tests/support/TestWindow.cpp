// A tiny X client for tests that need a window of a given kind: a class, a title, a type, a
// minimum size, and a process that stays when its window is closed.
//
//   quarlin-test-window [--class NAME] [--title TEXT] [--type normal|dialog|utility]
//                       [--size WxH] [--min-size WxH] [--app-id ID] [--desktop-file ID] [--stay]
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool parseSize(const char* text, uint32_t& w, uint32_t& h) {
    return std::sscanf(text, "%ux%u", &w, &h) == 2 && w > 0 && h > 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string wmClass = "QuarlinTestWindow", title = "Test window", type = "normal", appId, desktopFile;
    uint32_t width = 400, height = 300, minWidth = 0, minHeight = 0;
    bool stay = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--class" && hasValue)
            wmClass = argv[++i];
        else if (arg == "--title" && hasValue)
            title = argv[++i];
        else if (arg == "--type" && hasValue)
            type = argv[++i];
        else if (arg == "--size" && hasValue && parseSize(argv[i + 1], width, height))
            ++i;
        else if (arg == "--min-size" && hasValue && parseSize(argv[i + 1], minWidth, minHeight))
            ++i;
        else if (arg == "--app-id" && hasValue)
            appId = argv[++i];
        else if (arg == "--desktop-file" && hasValue)
            desktopFile = argv[++i];
        else if (arg == "--stay")
            stay = true;
        else {
            std::fprintf(stderr, "quarlin-test-window: unknown argument %s\n", argv[i]);
            return 2;
        }
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, uint16_t(width), uint16_t(height),
                      0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);

    std::string instance = wmClass;
    for (char& ch : instance)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    std::string classValue = instance + '\0' + wmClass + '\0';
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        uint32_t(classValue.size()), classValue.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_NET_WM_NAME"), intern(c, "UTF8_STRING"),
                        8, uint32_t(title.size()), title.data());
    const xcb_atom_t typeAtom =
        intern(c, ("_NET_WM_WINDOW_TYPE_" + std::string(type == "dialog"    ? "DIALOG"
                                                        : type == "utility" ? "UTILITY"
                                                                            : "NORMAL"))
                      .c_str());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        1, &typeAtom);
    // What GTK and KDE programs say about their desktop entry.
    if (!appId.empty())
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_GTK_APPLICATION_ID"),
                            intern(c, "UTF8_STRING"), 8, uint32_t(appId.size()), appId.data());
    if (!desktopFile.empty())
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_KDE_NET_WM_DESKTOP_FILE"),
                            intern(c, "UTF8_STRING"), 8, uint32_t(desktopFile.size()), desktopFile.data());
    if (minWidth) {
        uint32_t hints[18] = {};
        hints[0] = 16; // PMinSize
        hints[5] = minWidth;
        hints[6] = minHeight;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    }
    const xcb_atom_t protocols = intern(c, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = intern(c, "WM_DELETE_WINDOW");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
    xcb_map_window(c, window);
    xcb_flush(c);

    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const bool close =
            (event->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<xcb_client_message_event_t*>(event)->data.data32[0] == deleteWindow;
        std::free(event);
        if (!close)
            continue;
        xcb_destroy_window(c, window);
        xcb_flush(c);
        if (!stay)
            break;
    }
    xcb_disconnect(c);
    return 0;
}
