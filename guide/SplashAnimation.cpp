#include "guide/SplashAnimation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>

namespace velarium {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// How far past an edge a sprite's enclosing square may go.
constexpr int kEdgeAllowance = 8;

// The background at 24 bits, the depth of the frame it is copied into square by square.
Bitmap twentyFourBits(const Bitmap& picture)
{
    if (picture.bitsPerPixel == 24) {
        return picture;
    }
    Bitmap copy(picture.width, picture.height, 24);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            copy.setColour(x, y, picture.colourAt(x, y));
        }
    }
    return copy;
}

} // namespace

std::unique_ptr<SplashRandom> SeededRandom::fromClock()
{
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    return std::make_unique<SeededRandom>(static_cast<std::uint32_t>(ticks ^ (ticks >> 32)));
}

// Both draws scale one 32-bit output, so that the results are the same with any standard
// library.
int SeededRandom::below(int n)
{
    if (n <= 0) {
        return 0;
    }
    return static_cast<int>((std::uint64_t(engine_()) * std::uint64_t(n)) >> 32);
}

double SeededRandom::unit()
{
    return engine_() * (1.0 / 4294967296.0);
}

SplashAnimation::SplashAnimation(const Bitmap& background, const Bitmap& spritePicture,
                                 std::unique_ptr<SplashRandom> random,
                                 const TImageArray::MessageSink& showMessage)
    : random_(std::move(random)), background_(twentyFourBits(background))
{
    spriteSource_.LoadFromBitmap(spritePicture, showMessage);

    backWidth_ = background_.width;
    backHeight_ = background_.height;
    maxDepth_ = background_.height;
    spriteWidth_ = spritePicture.width;
    spriteHeight_ = spritePicture.height;

    // The draws are made in a fixed order, sprite by sprite, so that a seed gives one scene.
    for (int k = 1; k <= SpriteCount; ++k) {
        SplashSprite& sprite = sprites_[std::size_t(k - 1)];
        sprite.X = spriteWidth_ + random_->below(backWidth_ - 2 * spriteWidth_);
        sprite.Y = spriteHeight_ + random_->below(backHeight_ - 2 * spriteHeight_);
        sprite.Depth = random_->below(maxDepth_ - MinDepth) + MinDepth;
        sprite.StepX = k * (2 * random_->below(2) - 1);
        sprite.StepY = k * (2 * random_->below(2) - 1);
        sprite.StepDepth = k * (2 * random_->below(2) - 1);
        sprite.Angle = static_cast<float>(random_->unit() * 2 * std::numbers::pi);
        sprite.Spin = newSpin();
        sprite.Scale = static_cast<float>(k / 4.0);
        sprite.Mirrored = k % 2 == 1;
    }

    backBuffer_ = background_;
}

float SplashAnimation::newSpin()
{
    return static_cast<float>(random_->unit() * 0.4 - 0.2);
}

int SplashAnimation::radiusAt(float scale) const
{
    const double diagonal =
        std::sqrt(double(spriteWidth_) * spriteWidth_ + double(spriteHeight_) * spriteHeight_);
    return static_cast<int>(diagonal * scale / 2);
}

void SplashAnimation::tick()
{
    // All erasing comes before any drawing, so that no sprite erases part of another one
    // drawn in this tick and overlapping sprites leave no traces.
    for (const SplashSprite& sprite : sprites_) {
        const int r = radiusAt(sprite.Scale);
        if (r != 0) {
            eraseSquare(sprite.X - r, sprite.Y - r, 2 * r);
        }
    }

    const PixelPoint pictureCentre{spriteWidth_ / 2, spriteHeight_ / 2};
    for (SplashSprite& sprite : sprites_) {
        sprite.Scale = static_cast<float>(100.0 / sprite.Depth);
        const int r = radiusAt(sprite.Scale);

        // Each bounce turns the sprite back and gives it a new spin, as if it had struck the
        // edge. The upper limit is tested first, so a background narrower than the sprite's
        // circle leaves it at the lower one.
        const auto bounce = [&](std::int32_t& position, std::int32_t& step, int extent) {
            position += step;
            if (position > extent - r + kEdgeAllowance) {
                step = -step;
                sprite.Spin = newSpin();
                position = extent - r + kEdgeAllowance;
            }
            if (position < r - kEdgeAllowance) {
                step = -step;
                sprite.Spin = newSpin();
                position = r - kEdgeAllowance;
            }
        };
        bounce(sprite.X, sprite.StepX, backWidth_);
        bounce(sprite.Y, sprite.StepY, backHeight_);

        // The depth turns once it has gone past a limit and is not pulled back: it returns
        // inside on the next tick.
        sprite.Depth += sprite.StepDepth;
        if (sprite.Depth > maxDepth_ || sprite.Depth < MinDepth) {
            sprite.StepDepth = -sprite.StepDepth;
            sprite.Spin = newSpin();
        }

        sprite.Angle = static_cast<float>(double(sprite.Angle) + double(sprite.Spin));
        if (sprite.Angle > kTwoPi) {
            sprite.Angle = static_cast<float>(sprite.Angle - kTwoPi);
        }
        if (sprite.Angle < 0) {
            sprite.Angle = static_cast<float>(sprite.Angle + kTwoPi);
        }

        if (r != 0) {
            const PixelPoint centre = spriteSource_.DrawRotated(
                spriteFrame_, pictureCentre, sprite.Mirrored, sprite.Scale, sprite.Angle);
            drawSpriteFrame(sprite.X - centre.x, sprite.Y - centre.y);
        }
    }
}

void SplashAnimation::eraseSquare(int left, int top, int side)
{
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + side, backWidth_);
    const int y1 = std::min(top + side, backHeight_);
    if (x0 >= x1) {
        return;
    }
    for (int y = y0; y < y1; ++y) {
        std::memcpy(backBuffer_.scanLine(y) + 3 * std::size_t(x0),
                    background_.scanLine(y) + 3 * std::size_t(x0), 3 * std::size_t(x1 - x0));
    }
}

void SplashAnimation::drawSpriteFrame(int left, int top)
{
    const Bitmap& frame = spriteFrame_;
    const int x0 = std::max(left, 0);
    const int y0 = std::max(top, 0);
    const int x1 = std::min(left + frame.width, backWidth_);
    const int y1 = std::min(top + frame.height, backHeight_);
    const Rgb key = spriteSource_.TransparentColor;
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* out = backBuffer_.scanLine(y) + 3 * std::size_t(x0);
        if (frame.bitsPerPixel == 24) {
            const std::uint8_t* in = frame.scanLine(y - top) + 3 * std::size_t(x0 - left);
            for (int x = x0; x < x1; ++x, in += 3, out += 3) {
                if (in[0] != key.blue || in[1] != key.green || in[2] != key.red) {
                    out[0] = in[0];
                    out[1] = in[1];
                    out[2] = in[2];
                }
            }
        } else {
            for (int x = x0; x < x1; ++x, out += 3) {
                const Rgb colour = frame.colourAt(x - left, y - top);
                if (colour != key) {
                    out[0] = colour.blue;
                    out[1] = colour.green;
                    out[2] = colour.red;
                }
            }
        }
    }
}

} // namespace velarium
