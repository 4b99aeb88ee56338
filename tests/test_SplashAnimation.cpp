// The splash scene without a window: the sprites' start, the animation tick and the frame it
// composes, on pictures of the program's own sizes.
#include "guide/SplashAnimation.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <numbers>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace velarium;

namespace {

constexpr int kBackWidth = 597;
constexpr int kBackHeight = 362;
constexpr int kFlagWidth = 108;
constexpr int kFlagHeight = 60;
const Rgb kKey{0, 0, 255};
const Rgb kGreen{0, 146, 70};
const Rgb kWhite{244, 245, 240};
const Rgb kRed{206, 43, 55};
const float kTwoPiSingle = static_cast<float>(2 * std::numbers::pi);

// A dusk gradient with a grain, so that every place of the background is told apart from its
// neighbours; it holds no pure blue.
Bitmap backgroundPicture()
{
    Bitmap picture(kBackWidth, kBackHeight, 24);
    for (int y = 0; y < kBackHeight; ++y) {
        for (int x = 0; x < kBackWidth; ++x) {
            picture.setColour(x, y,
                              {std::uint8_t(x % 251), std::uint8_t(y % 241),
                               std::uint8_t(60 + (x * 7 + y * 13) % 150)});
        }
    }
    return picture;
}

// Three upright stripes, green, white and red, on a ground of the key colour: mirroring shows,
// and so would a key colour drawn by mistake.
Bitmap flagPicture()
{
    Bitmap picture(kFlagWidth, kFlagHeight, 24);
    for (int y = 0; y < kFlagHeight; ++y) {
        for (int x = 0; x < kFlagWidth; ++x) {
            Rgb colour = kKey;
            if (x >= 9 && x < 99 && y >= 6 && y < 54) {
                colour = x < 39 ? kGreen : x < 69 ? kWhite : kRed;
            }
            picture.setColour(x, y, colour);
        }
    }
    return picture;
}

// Answers from a script, in order, and writes down every draw made.
class ScriptedRandom final : public SplashRandom
{
public:
    int below(int n) override
    {
        calls.push_back("Random(" + std::to_string(n) + ")");
        return take(integers, 0);
    }
    double unit() override
    {
        calls.push_back("Random");
        return take(reals, 0.5);
    }

    std::deque<int> integers;
    std::deque<double> reals;
    std::vector<std::string> calls;

private:
    template <typename T> static T take(std::deque<T>& queue, T otherwise)
    {
        if (queue.empty()) {
            return otherwise;
        }
        const T value = queue.front();
        queue.pop_front();
        return value;
    }
};

std::vector<std::string> noMessages;

SplashAnimation makeAnimation(std::unique_ptr<SplashRandom> random)
{
    return SplashAnimation(backgroundPicture(), flagPicture(), std::move(random),
                           [](const std::string& text) { noMessages.push_back(text); });
}

float spinOf(double draw)
{
    return static_cast<float>(draw * 0.4 - 0.2);
}

bool samePixels(const Bitmap& a, const Bitmap& b, int x, int y)
{
    return a.colourAt(x, y) == b.colourAt(x, y);
}

// Lays a rendering onto a 24-bit frame as the splash draws a sprite: its key-coloured pixels
// are left out, and what falls outside the frame is cut off.
void layTransparently(Bitmap& frame, const Bitmap& rendering, int left, int top, Rgb key)
{
    for (int y = 0; y < rendering.height; ++y) {
        for (int x = 0; x < rendering.width; ++x) {
            const int fx = left + x;
            const int fy = top + y;
            const Rgb colour = rendering.colourAt(x, y);
            if (fx >= 0 && fy >= 0 && fx < frame.width && fy < frame.height && colour != key) {
                frame.setColour(fx, fy, colour);
            }
        }
    }
}

// The frame the splash should show for the sprites as they stand: the background with every
// sprite laid on it in order, each rendered by a store of its own.
Bitmap composedByHand(const SplashAnimation& animation)
{
    TImageArray store;
    store.LoadFromBitmap(flagPicture(), nullptr);
    Bitmap frame = backgroundPicture();
    for (const SplashSprite& sprite : animation.Sprites()) {
        Bitmap rendering;
        const PixelPoint centre = store.DrawRotated(rendering, {kFlagWidth / 2, kFlagHeight / 2},
                                                    sprite.Mirrored, sprite.Scale, sprite.Angle);
        layTransparently(frame, rendering, sprite.X - centre.x, sprite.Y - centre.y,
                         store.TransparentColor);
    }
    return frame;
}

// Fixes every sprite's state, away from the edges unless a test moves it there.
void placeCalmly(SplashAnimation& animation)
{
    int k = 1;
    for (SplashSprite& sprite : animation.Sprites()) {
        sprite.X = 120 + 80 * k;
        sprite.Y = 180;
        sprite.Depth = 200;
        sprite.StepX = k;
        sprite.StepY = k;
        sprite.StepDepth = k;
        sprite.Angle = 1.0f;
        sprite.Spin = 0.05f;
        sprite.Scale = 0.5f;
        ++k;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(SplashStart, DrawsEachSpritesNumbersInTheStatedOrder)
{
    auto script = std::make_unique<ScriptedRandom>();
    ScriptedRandom& random = *script;
    for (int k = 1; k <= 5; ++k) {
        const int stepSigns[3] = {k % 2, 1 - k % 2, k % 2}; // 1 gives +k, 0 gives -k
        for (const int draw : {10 * k, 20 * k, 30 * k, stepSigns[0], stepSigns[1], stepSigns[2]}) {
            random.integers.push_back(draw);
        }
        random.reals.push_back(0.1 * k);       // angle
        random.reals.push_back(0.2 * k - 0.1); // spin
    }
    const SplashAnimation animation = makeAnimation(std::move(script));

    std::vector<std::string> order;
    for (int k = 1; k <= 5; ++k) {
        // X within the background less a sprite width each side, Y likewise, the depth
        // from 50 to below the background's height, three signs, the angle, the spin.
        for (const char* call : {"Random(381)", "Random(242)", "Random(312)", "Random(2)",
                                 "Random(2)", "Random(2)", "Random", "Random"}) {
            order.push_back(call);
        }
    }
    EXPECT_EQ(random.calls, order);

    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        const SplashSprite& sprite = animation.Sprites()[std::size_t(k - 1)];
        const int sign = k % 2 == 1 ? 1 : -1;
        EXPECT_EQ(sprite.X, 108 + 10 * k);
        EXPECT_EQ(sprite.Y, 60 + 20 * k);
        EXPECT_EQ(sprite.Depth, 50 + 30 * k);
        EXPECT_EQ(sprite.StepX, sign * k);
        EXPECT_EQ(sprite.StepY, -sign * k);
        EXPECT_EQ(sprite.StepDepth, sign * k);
        EXPECT_FLOAT_EQ(sprite.Angle, float(0.1 * k * 2 * std::numbers::pi));
        EXPECT_FLOAT_EQ(sprite.Spin, float((0.2 * k - 0.1) * 0.4 - 0.2));
        EXPECT_EQ(sprite.Scale, k / 4.0f);
        EXPECT_EQ(sprite.Mirrored, k == 1 || k == 3 || k == 5);
    }

    EXPECT_EQ(animation.BackWidth(), 597);
    EXPECT_EQ(animation.BackHeight(), 362);
    EXPECT_EQ(animation.MaxDepth(), 362);
    EXPECT_EQ(animation.SpriteWidth(), 108);
    EXPECT_EQ(animation.SpriteHeight(), 60);
    EXPECT_EQ(animation.TransparentColor(), kKey);
    EXPECT_EQ(animation.BackBuffer().bits, backgroundPicture().bits) << "nothing drawn yet";
}

TEST(SplashStart, TheExtremeDrawsStayInsideTheBackground)
{
    for (const bool high : {false, true}) {
        auto script = std::make_unique<ScriptedRandom>();
        for (int k = 1; k <= 5; ++k) {
            for (const int draw : {high ? 380 : 0, high ? 241 : 0, high ? 311 : 0}) {
                script->integers.push_back(draw);
            }
            for (int i = 0; i < 3; ++i) {
                script->integers.push_back(high ? 1 : 0);
            }
        }
        const SplashAnimation animation = makeAnimation(std::move(script));
        const SplashSprite& first = animation.Sprites()[0];
        EXPECT_EQ(first.X, high ? 488 : 108);
        EXPECT_EQ(first.Y, high ? 301 : 60);
        EXPECT_EQ(first.Depth, high ? 361 : 50);
        EXPECT_EQ(animation.Sprites()[4].StepDepth, high ? 5 : -5);
    }
}

TEST(SplashStart, AnEmptyOrUnusableSpritePictureDrawsNoSprite)
{
    std::vector<std::string> messages;
    SplashAnimation animation(backgroundPicture(), Bitmap(kFlagWidth, kFlagHeight, 32),
                              std::make_unique<SeededRandom>(5),
                              [&](const std::string& text) { messages.push_back(text); });
    EXPECT_EQ(messages, std::vector<std::string>{"only 8 bit and 24 bit bitmaps are allowed"});
    for (int i = 0; i < 20; ++i) {
        animation.tick();
    }
    EXPECT_EQ(animation.BackBuffer().bits, backgroundPicture().bits);
}

// ---------------------------------------------------------------------------------------------

TEST(SplashTick, KeepsEverySpriteWithinItsLimitsOverThousandsOfTicks)
{
    int bouncesX = 0, bouncesY = 0, turnsNear = 0, turnsFar = 0, wrapsUp = 0, wrapsDown = 0;
    for (const std::uint32_t seed : {1u, 20240517u}) {
        SCOPED_TRACE(seed);
        SplashAnimation animation = makeAnimation(std::make_unique<SeededRandom>(seed));
        for (int tick = 0; tick < 1500; ++tick) {
            const auto before = animation.Sprites();
            animation.tick();
            for (int k = 1; k <= 5; ++k) {
                const SplashSprite& was = before[std::size_t(k - 1)];
                const SplashSprite& is = animation.Sprites()[std::size_t(k - 1)];
                SCOPED_TRACE(testing::Message() << "tick " << tick << ", sprite " << k);

                ASSERT_EQ(std::abs(is.StepX), k);
                ASSERT_EQ(std::abs(is.StepY), k);
                ASSERT_EQ(std::abs(is.StepDepth), k);
                ASSERT_EQ(is.Mirrored, k % 2 == 1);
                ASSERT_EQ(is.Scale, static_cast<float>(100.0 / was.Depth));

                const int r = animation.radiusAt(is.Scale);
                const auto axis = [&](int position, int previous, int step, int previousStep,
                                      int extent, int& bounces) {
                    ASSERT_GE(position, r - 8);
                    ASSERT_LE(position, extent - r + 8);
                    if (step == previousStep) {
                        ASSERT_EQ(position, previous + step);
                    } else {
                        ASSERT_EQ(step, -previousStep);
                        // Held at a limit. The new step need not lead inside: a sprite
                        // growing as it comes nearer may find the limit moved past it again.
                        ASSERT_TRUE(position == r - 8 || position == extent - r + 8);
                        ++bounces;
                    }
                };
                axis(is.X, was.X, is.StepX, was.StepX, kBackWidth, bouncesX);
                axis(is.Y, was.Y, is.StepY, was.StepY, kBackHeight, bouncesY);

                // The depth may run past a limit by a step before it turns, and is not pulled
                // back.
                ASSERT_EQ(is.Depth, was.Depth + was.StepDepth);
                ASSERT_GE(is.Depth, 50 - k);
                ASSERT_LE(is.Depth, 362 + k);
                if (is.Depth < 50 || is.Depth > 362) {
                    ASSERT_EQ(is.StepDepth, -was.StepDepth);
                    ASSERT_EQ(is.StepDepth > 0, is.Depth < 50);
                    ++(is.Depth < 50 ? turnsNear : turnsFar);
                } else {
                    ASSERT_EQ(is.StepDepth, was.StepDepth);
                }

                // A new spin with every bounce, the old one otherwise.
                const bool bounced =
                    is.StepX != was.StepX || is.StepY != was.StepY || is.StepDepth != was.StepDepth;
                ASSERT_GE(is.Spin, -0.2f);
                ASSERT_LE(is.Spin, 0.2f);
                if (!bounced) {
                    ASSERT_EQ(is.Spin, was.Spin);
                }

                ASSERT_GE(is.Angle, 0.0f);
                ASSERT_LE(is.Angle, kTwoPiSingle);
                const double turned = double(was.Angle) + is.Spin;
                const double wrapped = turned > 2 * std::numbers::pi ? turned - 2 * std::numbers::pi
                                       : turned < 0                  ? turned + 2 * std::numbers::pi
                                                                     : turned;
                ASSERT_NEAR(is.Angle, wrapped, 1e-5);
                wrapsUp += turned > 2 * std::numbers::pi ? 1 : 0;
                wrapsDown += turned < 0 ? 1 : 0;
            }
        }
    }
    // The run went through every branch.
    EXPECT_GT(bouncesX, 0);
    EXPECT_GT(bouncesY, 0);
    EXPECT_GT(turnsNear, 0);
    EXPECT_GT(turnsFar, 0);
    EXPECT_GT(wrapsUp, 0);
    EXPECT_GT(wrapsDown, 0);
}

TEST(SplashTick, ABounceOnEveryAxisAtOnceDrawsThreeSpinsAndKeepsTheLast)
{
    auto script = std::make_unique<ScriptedRandom>();
    ScriptedRandom& random = *script;
    SplashAnimation animation = makeAnimation(std::move(script));
    placeCalmly(animation);

    // At depth 361 the scale is 100/361 and the radius 17: x may lie from 9 to 588, y from 9
    // to 353. The radius is the same at depth 363.
    SplashSprite& sprite = animation.Sprites()[1];
    sprite.Depth = 361;
    sprite.X = 587;
    sprite.Y = 10;
    sprite.StepX = 2;
    sprite.StepY = -2;
    sprite.StepDepth = 2;
    sprite.Angle = 1.0f;
    ASSERT_EQ(animation.radiusAt(static_cast<float>(100.0 / 361)), 17);
    ASSERT_EQ(animation.radiusAt(static_cast<float>(100.0 / 363)), 17);

    random.calls.clear();
    random.reals = {0.0, 0.5, 0.75};
    animation.tick();

    EXPECT_EQ(random.calls, (std::vector<std::string>{"Random", "Random", "Random"}));
    EXPECT_EQ(sprite.X, 588);
    EXPECT_EQ(sprite.StepX, -2);
    EXPECT_EQ(sprite.Y, 9);
    EXPECT_EQ(sprite.StepY, 2);
    EXPECT_EQ(sprite.Depth, 363) << "turned, not pulled back";
    EXPECT_EQ(sprite.StepDepth, -2);
    EXPECT_EQ(sprite.Spin, spinOf(0.75));
    EXPECT_FLOAT_EQ(sprite.Angle, 1.1f);

    // On the next tick it comes back inside and keeps its spin.
    random.calls.clear();
    animation.tick();
    EXPECT_TRUE(random.calls.empty());
    EXPECT_EQ(sprite.Depth, 361);
    EXPECT_EQ(sprite.X, 586);
    EXPECT_EQ(sprite.Y, 11);
    EXPECT_EQ(sprite.Spin, spinOf(0.75));
}

TEST(SplashTick, EachEdgeHoldsTheSpriteAtEightPixelsPastItsRadius)
{
    // At depth 100 the scale is 1 and the radius 61.
    const struct
    {
        int x, y, stepX, stepY;
        int wantX, wantY, wantStepX, wantStepY;
    } cases[] = {
        {543, 200, 1, 1, 544, 201, 1, 1},  // onto the right limit: no bounce
        {544, 200, 3, 1, 544, 201, -3, 1}, // past the right edge
        {55, 200, -3, 1, 53, 201, 3, 1},   // past the left edge
        {300, 307, 1, 3, 301, 309, 1, -3}, // past the bottom edge
        {300, 55, 1, -2, 301, 53, 1, -2},  // onto the top limit
        {300, 54, 1, -3, 301, 53, 1, 3},   // past the top edge
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.x << "," << c.y << " step " << c.stepX << "," << c.stepY);
        auto script = std::make_unique<ScriptedRandom>();
        ScriptedRandom& random = *script;
        SplashAnimation animation = makeAnimation(std::move(script));
        placeCalmly(animation);
        SplashSprite& sprite = animation.Sprites()[0];
        sprite.Depth = 100;
        sprite.StepDepth = 1;
        sprite.X = c.x;
        sprite.Y = c.y;
        sprite.StepX = c.stepX;
        sprite.StepY = c.stepY;
        random.calls.clear();
        random.reals = {0.25};
        animation.tick();
        EXPECT_EQ(sprite.X, c.wantX);
        EXPECT_EQ(sprite.Y, c.wantY);
        EXPECT_EQ(sprite.StepX, c.wantStepX);
        EXPECT_EQ(sprite.StepY, c.wantStepY);
        const bool bounced = c.stepX != c.wantStepX || c.stepY != c.wantStepY;
        EXPECT_EQ(random.calls.size(), bounced ? 1u : 0u);
        EXPECT_EQ(sprite.Spin, bounced ? spinOf(0.25) : 0.05f);
    }
}

TEST(SplashTick, TheAngleWrapsIntoOneTurn)
{
    SplashAnimation animation = makeAnimation(std::make_unique<ScriptedRandom>());
    placeCalmly(animation);
    auto& sprites = animation.Sprites();
    sprites[0].Angle = 6.2f;
    sprites[0].Spin = 0.15f;
    sprites[1].Angle = 0.05f;
    sprites[1].Spin = -0.1f;
    sprites[2].Angle = 0.0f;
    sprites[2].Spin = 0.0f;
    animation.tick();
    EXPECT_NEAR(sprites[0].Angle, 6.35 - 2 * std::numbers::pi, 1e-6);
    EXPECT_NEAR(sprites[1].Angle, 2 * std::numbers::pi - 0.05, 1e-6);
    EXPECT_EQ(sprites[2].Angle, 0.0f) << "an unturned sprite stays so";
}

// ---------------------------------------------------------------------------------------------

TEST(SplashFrame, TheFirstFrameIsTheBackgroundWithTheSpritesLaidInOrder)
{
    auto script = std::make_unique<ScriptedRandom>();
    // Two sprites in one place, at different depths: the fifth must lie on top.
    // Sprites 4 and 5 start a pixel apart, so that after their first steps they share a place.
    const int places[5][3] = {
        {40, 30, 250}, {300, 20, 100}, {150, 150, 60}, {201, 79, 10}, {200, 80, 200}};
    for (const auto& place : places) {
        for (const int draw : {place[0], place[1], place[2], 1, 0, 1}) {
            script->integers.push_back(draw);
        }
        script->reals.push_back(0.3);
        script->reals.push_back(0.9);
    }
    SplashAnimation animation = makeAnimation(std::move(script));
    animation.tick();

    const Bitmap expected = composedByHand(animation);
    const Bitmap& frame = animation.BackBuffer();
    int differing = 0;
    for (int y = 0; y < kBackHeight; ++y) {
        for (int x = 0; x < kBackWidth; ++x) {
            differing += samePixels(frame, expected, x, y) ? 0 : 1;
        }
    }
    EXPECT_EQ(differing, 0);

    // Where the two share their centre, the fifth is seen: mirrored, and larger.
    const SplashSprite& fourth = animation.Sprites()[3];
    const SplashSprite& fifth = animation.Sprites()[4];
    ASSERT_EQ(fourth.X, fifth.X);
    ASSERT_EQ(fourth.Y, fifth.Y);
    ASSERT_GT(fourth.Scale, fifth.Scale);
    EXPECT_EQ(frame.colourAt(fifth.X, fifth.Y), kWhite) << "the middle stripe";
}

TEST(SplashFrame, NoTickLeavesTracesOfEarlierDrawings)
{
    // Every frame is the background with the sprites as they now stand, and nothing else.
    SplashAnimation animation = makeAnimation(std::make_unique<SeededRandom>(3));
    for (int tick = 0; tick < 150; ++tick) {
        animation.tick();
        const Bitmap expected = composedByHand(animation);
        int differing = 0;
        for (int y = 0; y < kBackHeight; ++y) {
            for (int x = 0; x < kBackWidth; ++x) {
                differing += samePixels(animation.BackBuffer(), expected, x, y) ? 0 : 1;
            }
        }
        ASSERT_EQ(differing, 0) << "tick " << tick;
    }
}

TEST(SplashFrame, ErasingRestoresTheLastSquaresAndNothingElse)
{
    SplashAnimation animation = makeAnimation(std::make_unique<SeededRandom>(77));
    const Bitmap background = backgroundPicture();
    std::set<std::tuple<std::uint8_t, std::uint8_t, std::uint8_t>> flagColours;
    for (const Rgb colour : {kGreen, kWhite, kRed}) {
        flagColours.insert({colour.red, colour.green, colour.blue});
    }

    for (int tick = 0; tick < 40; ++tick) {
        SCOPED_TRACE(tick);
        const Bitmap before = animation.BackBuffer();
        const auto last = animation.Sprites();
        animation.tick();
        const Bitmap& after = animation.BackBuffer();

        // A drawing stays within half the scaled diagonal of its centre, give or take the
        // rounding of the rendered size.
        const auto drawnNear = [&](int x, int y) {
            for (const SplashSprite& sprite : animation.Sprites()) {
                const int reach = animation.radiusAt(sprite.Scale) + 2;
                if (std::abs(x - sprite.X) <= reach && std::abs(y - sprite.Y) <= reach) {
                    return true;
                }
            }
            return false;
        };
        // The square before the tick: right and bottom edges excluded.
        const auto erased = [&](int x, int y) {
            for (const SplashSprite& sprite : last) {
                const int r = animation.radiusAt(sprite.Scale);
                if (x >= sprite.X - r && x < sprite.X + r && y >= sprite.Y - r &&
                    y < sprite.Y + r) {
                    return true;
                }
            }
            return false;
        };

        int wrong = 0;
        for (int y = 0; y < kBackHeight; ++y) {
            for (int x = 0; x < kBackWidth; ++x) {
                const Rgb colour = after.colourAt(x, y);
                // Only the background and the flag ever show; never the key colour.
                if (colour != background.colourAt(x, y) &&
                    !flagColours.contains({colour.red, colour.green, colour.blue})) {
                    ++wrong;
                } else if (!drawnNear(x, y)) {
                    const Bitmap& source = erased(x, y) ? background : before;
                    wrong += samePixels(after, source, x, y) ? 0 : 1;
                }
            }
        }
        ASSERT_EQ(wrong, 0);
    }
}

} // namespace
