#pragma once
// The kernel of every filter of the catalogue: one function per filter name,
// taking the filter's current parameters and returning its output.
#include "edit/filters/Internal.h"

#define ORVANE_FILTER_KERNELS(X)                                                                           \
    X(BoxBlur) X(DirectionalBlur) X(GaussianBlur) X(RadialBlur)                                            \
    X(ColorKeyAlpha) X(Invert) X(MaskToAlpha) X(Monochrome)                                                \
    X(Bloom) X(Contrast) X(Gloom) X(HueAdjust)                                                             \
    X(NormalBlend)                                                                                         \
    X(BandedSwirl) X(Bands) X(Magnify) X(Pinch) X(Ripple) X(SmoothMagnify) X(Swirl) X(Wave) X(Wrap)        \
    X(Fill) X(FillRGB)                                                                                     \
    X(AffineTransform) X(Crop) X(PerspectiveTransform)                                                     \
    X(Emboss) X(GlowFilter) X(InnerGlowFilter) X(PaperSketch) X(PencilStroke) X(Pixelate)                  \
    X(ReflectionFilter) X(Sepia) X(Sharpen) X(Toon)                                                        \
    X(Tiler)                                                                                               \
    X(BandedSwirlTransition) X(BlindTransition) X(BloodTransition) X(BlurTransition)                       \
    X(BrightTransition) X(CircleTransition) X(CrumpleTransition) X(DissolveTransition)                     \
    X(DropTransition) X(FadeTransition) X(LineTransition) X(MagnifyTransition) X(PixelateTransition)       \
    X(RippleTransition) X(RotateCrumpleTransition) X(SaturateTransition) X(ShapeTransition)                \
    X(SlideTransition) X(SwipeTransition) X(SwirlTransition) X(WaterTransition) X(WaveTransition)          \
    X(WiggleTransition)

namespace orvane::filters::detail {
#define ORVANE_DECLARE_KERNEL(n) QImage kernel##n(const Args &a);
ORVANE_FILTER_KERNELS(ORVANE_DECLARE_KERNEL)
#undef ORVANE_DECLARE_KERNEL
} // namespace orvane::filters::detail
