#include "X11WaitPresenter.h"
#include "ggError.h"

#include <xcb/xcb.h>
#include <xcb/xcb_image.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const char WindowTitle[] = "WaitNew";
// WM_CLASS: instance name and class name, each ending with a zero.
const char WindowClass[] = "WaitNew\0Class Window of TThreadWindow (new)";

int lowestBit(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

uint32_t scaleToMask(int value, uint32_t mask)
{
    const int shift = lowestBit(mask);
    const uint32_t max = mask >> shift;
    return ((static_cast<uint32_t>(value) * max + 127) / 255) << shift;
}

class X11WaitPresenter : public WaitWindowPresenter {
public:
    explicit X11WaitPresenter(QByteArray displayName) : m_displayName(std::move(displayName)) {}
    ~X11WaitPresenter() override { close(); }

    bool open() override
    {
        int screenNumber = 0;
        m_connection = xcb_connect(m_displayName.isEmpty() ? nullptr : m_displayName.constData(), &screenNumber);
        if (!m_connection || xcb_connection_has_error(m_connection)) {
            close();
            return false;
        }
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            close();
            return false;
        }
        m_screen = it.data;
        findVisual(setup);
        m_opacityAtom = internAtom("_NET_WM_WINDOW_OPACITY");
        m_maxRequestBytes = xcb_get_maximum_request_length(m_connection) * 4u;
        return true;
    }

    void close() override
    {
        if (!m_connection)
            return;
        destroyWindow();
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        m_screen = nullptr;
    }

    bool showsFrames() const override { return true; }

    QSize screenSize() override { return {m_screen->width_in_pixels, m_screen->height_in_pixels}; }

    void createWindow(const TRectL &bounds, bool enabled) override
    {
        destroyWindow();
        m_enabled = enabled;
        const xcb_window_t window = xcb_generate_id(m_connection);
        // Values in the order of their mask bits.
        const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1, eventMask()};
        xcb_void_cookie_t cookie = xcb_create_window_checked(
            m_connection, XCB_COPY_FROM_PARENT, window, m_screen->root, int16_t(bounds.left), int16_t(bounds.top),
            uint16_t(std::max(bounds.width(), 1)), uint16_t(std::max(bounds.height(), 1)), 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
            XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        checkRequest(cookie, "xcb_create_window");
        m_window = window;
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            sizeof WindowTitle - 1, WindowTitle);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof WindowClass, WindowClass);
        m_gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, m_gc, m_window, 0, nullptr);
        xcb_flush(m_connection);
    }

    void destroyWindow() override
    {
        if (!m_window)
            return;
        xcb_free_gc(m_connection, m_gc);
        xcb_destroy_window(m_connection, m_window);
        xcb_flush(m_connection);
        m_window = 0;
        m_gc = 0;
    }

    bool hasWindow() const override { return m_window != 0; }
    uint32_t windowId() const override { return m_window; }

    void showWindow() override
    {
        if (!m_window)
            return;
        xcb_map_window(m_connection, m_window);
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, m_window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(m_connection);
    }

    void moveWindow(const TRectL &bounds) override
    {
        if (!m_window)
            return;
        const uint32_t values[] = {uint32_t(bounds.left), uint32_t(bounds.top), uint32_t(std::max(bounds.width(), 1)),
                                   uint32_t(std::max(bounds.height(), 1))};
        xcb_configure_window(m_connection, m_window,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
        xcb_flush(m_connection);
    }

    void setEnabled(bool enabled) override
    {
        m_enabled = enabled;
        if (!m_window)
            return;
        const uint32_t mask = eventMask();
        xcb_change_window_attributes(m_connection, m_window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }

    void setOpacity(uint8_t alpha) override
    {
        if (!m_window || !m_opacityAtom)
            return;
        if (alpha == 255) {
            xcb_delete_property(m_connection, m_window, m_opacityAtom);
        } else {
            const uint32_t value = uint32_t(alpha) * 0x01010101u;
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, m_opacityAtom, XCB_ATOM_CARDINAL, 32,
                                1, &value);
        }
        xcb_flush(m_connection);
    }

    void present(const QImage &frame, const TRectL &area) override
    {
        if (!m_window)
            return;
        const TRectL r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, frame.width()),
                       std::min(area.bottom, frame.height())};
        if (r.isEmpty())
            return;
        const QImage pixels = frame.convertToFormat(QImage::Format_RGB32);
        if (m_directPixels)
            putDirect(pixels, r);
        else
            putConverted(pixels, r);
        xcb_flush(m_connection);
    }

    QPoint cursorPosition() override
    {
        xcb_query_pointer_reply_t *reply =
            xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_screen->root), nullptr);
        if (!reply)
            return {-1, -1};
        const QPoint position(reply->root_x, reply->root_y);
        std::free(reply);
        return position;
    }

    void takeEvents(std::vector<WaitWindowEvent> &events) override
    {
        if (xcb_connection_has_error(m_connection))
            throw AppError(QStringLiteral("Потеряно соединение с дисплеем X11"));
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            translate(event, events);
            std::free(event);
        }
    }

private:
    uint32_t eventMask() const
    {
        uint32_t mask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (m_enabled)
            mask |= XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE;
        return mask;
    }

    void translate(const xcb_generic_event_t *event, std::vector<WaitWindowEvent> &events) const
    {
        WaitWindowEvent out;
        switch (event->response_type & ~0x80) {
        case XCB_EXPOSE: {
            auto *e = reinterpret_cast<const xcb_expose_event_t *>(event);
            if (e->window != m_window)
                return;
            out.kind = WaitWindowEvent::Exposed;
            out.area = {e->x, e->y, e->x + e->width, e->y + e->height};
            break;
        }
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE: {
            auto *e = reinterpret_cast<const xcb_button_press_event_t *>(event);
            if (e->event != m_window || e->detail != 1)
                return;
            out.kind = (event->response_type & ~0x80) == XCB_BUTTON_PRESS ? WaitWindowEvent::ButtonPressed
                                                                          : WaitWindowEvent::ButtonReleased;
            out.local = {e->event_x, e->event_y};
            out.screen = {e->root_x, e->root_y};
            break;
        }
        case XCB_MAP_NOTIFY: {
            auto *e = reinterpret_cast<const xcb_map_notify_event_t *>(event);
            if (e->window != m_window)
                return;
            out.kind = WaitWindowEvent::Shown;
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            auto *e = reinterpret_cast<const xcb_unmap_notify_event_t *>(event);
            if (e->window != m_window)
                return;
            out.kind = WaitWindowEvent::Hidden;
            break;
        }
        default:
            return;
        }
        events.push_back(out);
    }

    void findVisual(const xcb_setup_t *setup)
    {
        m_visual = nullptr;
        for (auto depths = xcb_screen_allowed_depths_iterator(m_screen); depths.rem; xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
                if (visuals.data->visual_id == m_screen->root_visual)
                    m_visual = visuals.data;
            }
        }
        int bitsPerPixel = 0;
        for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
            if (formats.data->depth == m_screen->root_depth)
                bitsPerPixel = formats.data->bits_per_pixel;
        }
        // QImage's 32-bit pixels in memory are the X server's when it is
        // little-endian with 8-bit red, green and blue in the usual places.
        m_directPixels = bitsPerPixel == 32 && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST && m_visual &&
                         m_visual->red_mask == 0xFF0000 && m_visual->green_mask == 0xFF00 &&
                         m_visual->blue_mask == 0xFF && Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    }

    xcb_atom_t internAtom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        if (!reply)
            return XCB_ATOM_NONE;
        const xcb_atom_t atom = reply->atom;
        std::free(reply);
        return atom;
    }

    void checkRequest(xcb_void_cookie_t cookie, const char *what)
    {
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
            const int code = error->error_code;
            std::free(error);
            throw AppError(QStringLiteral("%1: ошибка X11 %2").arg(QString::fromLatin1(what)).arg(code));
        }
    }

    // Rows per request, so that no request exceeds the server's limit.
    int rowsPerRequest(int rowBytes) const
    {
        const uint32_t room = m_maxRequestBytes > 64 ? m_maxRequestBytes - 64 : 0;
        return std::max(1, int(room / uint32_t(std::max(rowBytes, 1))));
    }

    void putDirect(const QImage &pixels, const TRectL &r)
    {
        const int rowBytes = r.width() * 4;
        const int step = rowsPerRequest(rowBytes);
        std::vector<uint8_t> strip;
        for (int top = r.top; top < r.bottom; top += step) {
            const int rows = std::min(step, r.bottom - top);
            strip.resize(size_t(rows) * rowBytes);
            for (int y = 0; y < rows; ++y)
                std::memcpy(strip.data() + size_t(y) * rowBytes, pixels.constScanLine(top + y) + r.left * 4, rowBytes);
            xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, m_gc, uint16_t(r.width()),
                          uint16_t(rows), int16_t(r.left), int16_t(top), 0, m_screen->root_depth,
                          uint32_t(strip.size()), strip.data());
        }
    }

    void putConverted(const QImage &pixels, const TRectL &r)
    {
        if (!m_visual)
            return;
        const int step = rowsPerRequest(r.width() * 4);
        for (int top = r.top; top < r.bottom; top += step) {
            const int rows = std::min(step, r.bottom - top);
            xcb_image_t *image = xcb_image_create_native(m_connection, uint16_t(r.width()), uint16_t(rows),
                                                         XCB_IMAGE_FORMAT_Z_PIXMAP, m_screen->root_depth, nullptr,
                                                         0, nullptr);
            if (!image)
                return;
            for (int y = 0; y < rows; ++y) {
                const QRgb *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(top + y));
                for (int x = 0; x < r.width(); ++x) {
                    const QRgb c = line[r.left + x];
                    xcb_image_put_pixel(image, uint32_t(x), uint32_t(y),
                                        scaleToMask(qRed(c), m_visual->red_mask) |
                                            scaleToMask(qGreen(c), m_visual->green_mask) |
                                            scaleToMask(qBlue(c), m_visual->blue_mask));
                }
            }
            xcb_image_put(m_connection, m_window, m_gc, image, int16_t(r.left), int16_t(top), 0);
            xcb_image_destroy(image);
        }
    }

    QByteArray m_displayName;
    xcb_connection_t *m_connection = nullptr;
    xcb_screen_t *m_screen = nullptr;
    xcb_visualtype_t *m_visual = nullptr;
    xcb_window_t m_window = 0;
    xcb_gcontext_t m_gc = 0;
    xcb_atom_t m_opacityAtom = XCB_ATOM_NONE;
    uint32_t m_maxRequestBytes = 0;
    bool m_directPixels = false;
    bool m_enabled = true;
};

} // namespace

std::unique_ptr<WaitWindowPresenter> MakeX11WaitPresenter(const QByteArray &displayName)
{
    return std::make_unique<X11WaitPresenter>(displayName);
}
