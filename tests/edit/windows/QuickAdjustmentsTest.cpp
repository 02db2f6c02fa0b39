// The Batch tab's quick adjustments: the sliders as designed, the preview
// computed from the base, the "Apply" boxes that keep the preview as the new
// base, the fixed order of a batch run, and the reset to neutral values.
#include "EditFixture.h"

#include <QCheckBox>
#include <QLabel>

using namespace orvane;
using namespace orvane::testing;

namespace {

class QuickAdjustmentsTest : public EditWindowTest {
protected:
    void SetUp() override
    {
        EditWindowTest::SetUp();
        base = quarterPicture(64, 48);
        // Opening files into the batch list loads the first one into both.
        w->Image10->setBitmap(base);
        w->Image5->setBitmap(base);
    }

    static QImage run(const QString &filter, const QImage &input, const QString &parameter, double value)
    {
        auto f = filters::createFilter(filter);
        if (filter == "Contrast")
            f->setFloat(parameter == "Brightness" ? "Contrast" : "Brightness", parameter == "Brightness" ? 1.0 : 0.0);
        f->setFloat(parameter, value);
        f->setBitmap("Input", input);
        return f->output();
    }

    QImage base;
};

struct SliderDesign {
    const char *track, *label, *caption, *box;
    double min, max, value;
};

class SliderDesignTest : public QuickAdjustmentsTest, public ::testing::WithParamInterface<SliderDesign> {};

} // namespace

TEST_P(SliderDesignTest, AsDesigned)
{
    const SliderDesign d = GetParam();
    auto *track = w->Panel6->findChild<TTrackBar *>(d.track);
    ASSERT_NE(track, nullptr);
    EXPECT_DOUBLE_EQ(track->Min(), d.min);
    EXPECT_DOUBLE_EQ(track->Max(), d.max);
    EXPECT_DOUBLE_EQ(track->Value(), d.value);
    auto *label = w->Panel6->findChild<QLabel *>(d.label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), d.caption);
    auto *box = w->Panel6->findChild<QCheckBox *>(d.box);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Apply");
    EXPECT_FALSE(box->isChecked());
}

INSTANTIATE_TEST_SUITE_P(Sliders, SliderDesignTest,
                         ::testing::Values(SliderDesign{"TrackBar6", "LabelBright", "Brightness", "CHKBRIGHT", -1, 1, 0},
                                           SliderDesign{"TrackBar7", "LabelContrast", "Contrast", "CHKCONTRAST", 0, 2, 1},
                                           SliderDesign{"TrackBar8", "LabelHue", "Hue", "CHKHUE", -1, 1, 0},
                                           SliderDesign{"TrackBar9", "LabelBlur", "Blur", "CHKBLUR", 0.01, 10, 1}));

TEST_F(QuickAdjustmentsTest, ThePanelAndPreviewsSitOnTheBatchPanel)
{
    EXPECT_TRUE(w->Panel4->isAncestorOf(w->Panel6));
    EXPECT_TRUE(w->Panel4->isAncestorOf(w->Image5));
    EXPECT_TRUE(w->Image10->isHidden());
    EXPECT_FALSE(w->Panel6->isHidden());
}

TEST_F(QuickAdjustmentsTest, ApplyBoxesKeepThePreviewAsTheNewBase)
{
    w->TrackBar6->SetValue(0.3);
    const QImage brightened = run("Contrast", base, "Brightness", 0.3);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), brightened));
    EXPECT_TRUE(samePicture(w->Image10->Bitmap(), base)) << "moving a slider leaves the base";
    EXPECT_EQ(w->Filter->name(), "Contrast");

    w->CHKBRIGHT->setChecked(true);
    EXPECT_TRUE(samePicture(w->Image10->Bitmap(), brightened));

    w->TrackBar7->SetValue(1.6);
    const QImage contrasted = run("Contrast", brightened, "Contrast", 1.6);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), contrasted)) << "contrast starts from the brightened picture";

    w->CHKBRIGHT->setChecked(false);
    EXPECT_TRUE(samePicture(w->Image10->Bitmap(), contrasted)) << "unchecking keeps the preview too";
}

TEST_F(QuickAdjustmentsTest, HueAtZeroEqualsTheBase)
{
    w->TrackBar8->SetValue(0.5);
    EXPECT_EQ(w->Filter->name(), "HueAdjust");
    EXPECT_FALSE(samePicture(w->Image5->Bitmap(), base));
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), run("HueAdjust", base, "Hue", 0.5)));
    w->TrackBar8->SetValue(0.0);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), base));
}

TEST_F(QuickAdjustmentsTest, BrightnessAndContrastEachChangeOnlyTheirOwnSetting)
{
    w->TrackBar6->SetValue(0.4);
    w->TrackBar6->SetValue(0.0);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), base)) << "brightness 0 brings no contrast with it";
    w->TrackBar7->SetValue(1.3);
    w->TrackBar7->SetValue(1.0);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), base));
}

TEST_F(QuickAdjustmentsTest, ABatchFileGetsTheCheckedAdjustmentsInOrder)
{
    {
        const QSignalBlocker a(w->CHKBRIGHT), b(w->CHKBLUR), c(w->TrackBar6), d(w->TrackBar8), e(w->TrackBar9);
        w->TrackBar6->SetValue(-0.2);
        w->TrackBar8->SetValue(0.7); // not checked: left out
        w->TrackBar9->SetValue(2.5);
        w->CHKBRIGHT->setChecked(true);
        w->CHKBLUR->setChecked(true);
    }
    const QImage file = quarterPicture(40, 30).mirrored(true, false);
    w->Image10->setBitmap(file);
    w->Image5->setBitmap(file);
    w->ApplyQuickAdjustments();
    const QImage want = run("BoxBlur", run("Contrast", file, "Brightness", -0.2), "BlurAmount", 2.5);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), want));
    EXPECT_TRUE(samePicture(w->Image10->Bitmap(), want));
    EXPECT_EQ(w->Filter->name(), "BoxBlur");
    EXPECT_EQ(w->Rec.Name, "BoxBlur");

    // Nothing checked: the file stays as loaded.
    w->CHKBRIGHT->setChecked(false);
    w->CHKBLUR->setChecked(false);
    w->Image10->setBitmap(file);
    w->Image5->setBitmap(file);
    w->ApplyQuickAdjustments();
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), file));
}

TEST_F(QuickAdjustmentsTest, ResetGivesTheNeutralValuesAndKeepsThePreview)
{
    w->TrackBar6->SetValue(0.5);
    w->TrackBar7->SetValue(0.2);
    w->TrackBar8->SetValue(-0.5);
    w->TrackBar9->SetValue(6);
    const QImage file = quarterPicture(30, 20);
    w->Image10->setBitmap(file);
    w->Image5->setBitmap(file);
    w->ResetQuickAdjustments();
    EXPECT_DOUBLE_EQ(w->TrackBar6->Value(), 0);
    EXPECT_DOUBLE_EQ(w->TrackBar7->Value(), 1);
    EXPECT_DOUBLE_EQ(w->TrackBar8->Value(), 0);
    EXPECT_DOUBLE_EQ(w->TrackBar9->Value(), 1);
    EXPECT_TRUE(samePicture(w->Image5->Bitmap(), file));
}

TEST_F(QuickAdjustmentsTest, DraggingPreviewsInTheBackgroundAndApplyWaitsForIt)
{
    w->TrackBar8->setSliderDown(true);
    for (double v : {0.1, 0.3, -0.6})
        w->TrackBar8->SetValue(v);
    w->CHKHUE->setChecked(true); // keeps the preview of the last setting
    EXPECT_TRUE(samePicture(w->Image10->Bitmap(), run("HueAdjust", base, "Hue", -0.6)));
    w->TrackBar8->setSliderDown(false);
}
