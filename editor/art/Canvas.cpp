#include "editor/art/Canvas.h"

#include <algorithm>

namespace qp::art {

double sdRoundRect(double px, double py, double left, double top, double right, double bottom,
                   double radius) {
    const double cx = (left + right) * 0.5;
    const double cy = (top + bottom) * 0.5;
    const double qx = std::fabs(px - cx) - ((right - left) * 0.5 - radius);
    const double qy = std::fabs(py - cy) - ((bottom - top) * 0.5 - radius);
    const double outside = math::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double distSegment(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 == 0.0 ? 0.0 : clamp01(((px - ax) * dx + (py - ay) * dy) / length2);
    return math::hypot(px - ax - t * dx, py - ay - t * dy);
}

Mask::Mask(std::int32_t l, std::int32_t t, std::int32_t w, std::int32_t h)
    : left(l),
      top(t),
      width(w),
      height(h),
      values(std::size_t(w) * std::size_t(h), 0.0) {}

void Mask::addCapsule(double ax, double ay, double bx, double by, double radius) {
    const std::int32_t x0 = std::max(0, std::int32_t(std::floor(std::min(ax, bx) - radius - 1)) - left);
    const std::int32_t y0 = std::max(0, std::int32_t(std::floor(std::min(ay, by) - radius - 1)) - top);
    const std::int32_t x1 = std::min(width, std::int32_t(std::ceil(std::max(ax, bx) + radius + 1)) - left);
    const std::int32_t y1 = std::min(height, std::int32_t(std::ceil(std::max(ay, by) + radius + 1)) - top);
    for (std::int32_t my = y0; my < y1; ++my) {
        const double py = top + my + 0.5;
        for (std::int32_t mx = x0; mx < x1; ++mx) {
            const double a = coverage(distSegment(left + mx + 0.5, py, ax, ay, bx, by) - radius);
            double& v = values[std::size_t(my) * width + mx];
            if (a > v) {
                v = a;
            }
        }
    }
}

namespace {

// One running-sum box pass along `lines` lines of `length` values.
void boxPass(std::vector<double>& values, std::vector<double>& out, std::int32_t length, std::int32_t lines,
             std::int32_t radius, std::size_t step, std::size_t lineStep) {
    const double window = 2 * radius + 1;
    for (std::int32_t line = 0; line < lines; ++line) {
        const std::size_t base = std::size_t(line) * lineStep;
        double acc = 0.0;
        for (std::int32_t k = -radius; k <= radius; ++k) {
            if (0 <= k && k < length) {
                acc += values[base + std::size_t(k) * step];
            }
        }
        for (std::int32_t k = 0; k < length; ++k) {
            out[base + std::size_t(k) * step] = acc / window;
            const std::int32_t incoming = k + radius + 1;
            const std::int32_t outgoing = k - radius;
            if (incoming < length) {
                acc += values[base + std::size_t(incoming) * step];
            }
            if (outgoing >= 0) {
                acc -= values[base + std::size_t(outgoing) * step];
            }
        }
    }
    values.swap(out);
}

}  // namespace

Mask Mask::blurred(std::int32_t radius) const {
    Mask out(left - 2 * radius, top - 2 * radius, width + 4 * radius, height + 4 * radius);
    for (std::int32_t my = 0; my < height; ++my) {
        for (std::int32_t mx = 0; mx < width; ++mx) {
            out.values[std::size_t(my + 2 * radius) * out.width + mx + 2 * radius] =
                values[std::size_t(my) * width + mx];
        }
    }
    std::vector<double> scratch(out.values.size(), 0.0);
    for (std::int32_t pass = 0; pass < 2; ++pass) {
        boxPass(out.values, scratch, out.width, out.height, radius, 1, std::size_t(out.width));
        boxPass(out.values, scratch, out.height, out.width, radius, std::size_t(out.width), 1);
    }
    return out;
}

Canvas::Canvas(std::int32_t width, std::int32_t height)
    : width_(width),
      height_(height),
      pixels_(std::size_t(width) * std::size_t(height)) {}

Canvas::Box Canvas::box(Bounds b) const {
    return {std::max(0, std::int32_t(std::floor(b.left))), std::max(0, std::int32_t(std::floor(b.top))),
            std::min(width_, std::int32_t(std::ceil(b.right))),
            std::min(height_, std::int32_t(std::ceil(b.bottom)))};
}

Picture Canvas::toPicture() const {
    Picture p;
    p.width = width_;
    p.height = height_;
    p.rgb.resize(pixels_.size() * 3);
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
        p.rgb[3 * i] = toByte(pixels_[i].r);
        p.rgb[3 * i + 1] = toByte(pixels_[i].g);
        p.rgb[3 * i + 2] = toByte(pixels_[i].b);
    }
    return p;
}

}  // namespace qp::art
