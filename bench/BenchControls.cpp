#include "controls/ButtonColorSet.h"
#include "controls/ButtonLayout.h"
#include "controls/PictureCompositor.h"
#include "controls/VemraButton.h"
#include "controls/VemraButtonRenderer.h"
#include "controls/VemraButtonScene.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <benchmark/benchmark.h>

// How long the button takes to draw itself: every type on a 100 x 30 button, up, pressed and
// disabled, and the per-pixel compositing of a 32 x 32 picture. A 60 Hz frame is 16.7 ms.
namespace {

VemraButtonScene sceneFor(int type, bool enabled, QSize size)
{
    VemraButtonScene scene;
    scene.buttonType = type;
    scene.enabled = enabled;
    scene.colorScheme = 2;
    scene.specialEffect = 1;
    scene.caption = QStringLiteral("&Save");
    ButtonColorSet::Source source;
    source.colorScheme = 2;
    source.backColor = 0xC08040;
    source.backOver = 0xD09050;
    source.foreColor = 0x000000;
    source.foreOver = 0x0000FF;
    source.buttonType = type;
    scene.colors = ButtonColorSet::derive(source, QPalette(), QPalette());
    scene.layout = ButtonLayout::compute(size, scene.caption, scene.font, 0, QSize(), false);
    scene.focusRect = ButtonRect{0, 0, size.width(), size.height()}.shrunk(3);
    return scene;
}

void BM_PaintType(benchmark::State& state)
{
    const int type = int(state.range(0));
    const int look = int(state.range(1)); // 0 up, 1 pressed, 2 disabled
    const QSize size(100, 30);
    const VemraButtonScene scene = sceneFor(type, look != 2, size);
    QImage surface(size, QImage::Format_RGB32);
    for (auto _ : state) {
        VemraButtonRenderer renderer(surface, scene);
        renderer.paint(look == 1);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_PaintType)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 14, 1), {0, 1, 2}})
    ->ArgNames({"type", "look"});

void BM_PaintTypeWithPicture(benchmark::State& state)
{
    const QSize size(100, 30);
    VemraButtonScene scene = sceneFor(int(state.range(0)), true, size);
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    scene.pictureNormal = QPixmap::fromImage(picture);
    scene.pictureSize = QSize(16, 16);
    scene.useGreyscale = true;
    scene.layout = ButtonLayout::compute(size, scene.caption, scene.font, 0, scene.pictureSize, true);
    QImage surface(size, QImage::Format_RGB32);
    for (auto _ : state) {
        VemraButtonRenderer(surface, scene).paint(false);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_PaintTypeWithPicture)->Arg(7)->Arg(9)->Arg(14)->ArgName("type");

// The whole path a property change takes: the paint request, the scene and the renderer.
void BM_ButtonRepaint(benchmark::State& state)
{
    QWidget window;
    window.resize(120, 50);
    auto* button = new VemraButton(QStringLiteral("&Save"), &window);
    button->setGeometry(10, 10, 100, 30);
    button->setButtonType(int(state.range(0)));
    window.show();
    QApplication::processEvents();
    for (auto _ : state)
        button->setCaption(QStringLiteral("&Save"));
}
BENCHMARK(BM_ButtonRepaint)->Arg(2)->Arg(3)->Arg(13)->Arg(14)->ArgName("type");

void BM_Composite32(benchmark::State& state)
{
    QImage surface(100, 30, QImage::Format_RGB32);
    surface.fill(Qt::lightGray);
    QImage picture(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            picture.setPixel(x, y, (x + y) % 5 == 0 ? qRgb(192, 192, 192) : qRgb(x * 8, y * 8, 100));
    PictureCompositor::Options options;
    options.grey = state.range(0) == 1;
    options.ghost = state.range(0) == 2;
    if (state.range(0) == 3)
        options.solid = 0x808080;
    for (auto _ : state) {
        PictureCompositor::composite(surface, 34, -1, 32, 32, picture, options);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_Composite32)->DenseRange(0, 3)->ArgName("plain_grey_ghost_solid");

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
