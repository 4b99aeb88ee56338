#pragma once

#include "guide/ImageArrayUnit.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>

namespace velarium {

// One copy of the flag drifting over the splash picture.
struct SplashSprite
{
    // The centre, in background pixels.
    std::int32_t X = 0;
    std::int32_t Y = 0;
    // The distance: the sprite is drawn at 100 / Depth times the picture's size.
    std::int32_t Depth = 0;
    // Change per tick.
    std::int32_t StepX = 0;
    std::int32_t StepY = 0;
    std::int32_t StepDepth = 0;
    // Radians, and their change per tick.
    float Angle = 0;
    float Spin = 0;
    // The size factor of the last drawing, which the next erasing goes by.
    float Scale = 0;
    // Drawn flipped left to right.
    bool Mirrored = false;
};

// The animation's source of chance, with the two draws the animation makes.
class SplashRandom
{
public:
    virtual ~SplashRandom() = default;
    // A uniform integer from 0 to n - 1; 0 when n is not positive.
    virtual int below(int n) = 0;
    // A uniform real in [0, 1).
    virtual double unit() = 0;
};

// A Mersenne twister, so that a seed gives the same animation on every computer.
class SeededRandom final : public SplashRandom
{
public:
    explicit SeededRandom(std::uint32_t seed) : engine_(seed) {}
    // Seeded from the clock: a different animation at every start.
    static std::unique_ptr<SplashRandom> fromClock();

    int below(int n) override;
    double unit() override;

private:
    std::mt19937 engine_;
};

// The splash window's scene: the background, the flags moving over it and the frame composed
// off screen, which is the only thing the window paints.
class SplashAnimation
{
public:
    static constexpr int SpriteCount = 5;
    // The nearest a sprite comes: at this depth it is drawn at twice the picture's size.
    static constexpr int MinDepth = 50;
    static constexpr int TickMilliseconds = 50;

    // Builds the scene from the two pictures (8 or 24 bits; a sprite picture of another depth
    // is refused through `showMessage` and no sprite is drawn) and places the sprites at
    // random.
    SplashAnimation(const Bitmap& background, const Bitmap& spritePicture,
                    std::unique_ptr<SplashRandom> random,
                    const TImageArray::MessageSink& showMessage);

    // One step of the animation: every sprite's last drawing is erased, then each moves,
    // bounces off the edges, comes nearer or goes farther, turns, and is drawn again.
    void tick();

    // The frame to show: BackWidth x BackHeight, 24 bits.
    const Bitmap& BackBuffer() const { return backBuffer_; }
    // The background in 24 bits, the source of the erasing.
    const Bitmap& Background() const { return background_; }
    // The last sprite rendered; its pixels of the sprite picture's transparent colour are not
    // drawn.
    const Bitmap& SpriteFrame() const { return spriteFrame_; }
    const TImageArray& SpriteSource() const { return spriteSource_; }
    Rgb TransparentColor() const { return spriteSource_.TransparentColor; }

    // Open to change, so that a sprite can be put where its behaviour is to be seen.
    std::array<SplashSprite, SpriteCount>& Sprites() { return sprites_; }
    const std::array<SplashSprite, SpriteCount>& Sprites() const { return sprites_; }

    int BackWidth() const { return backWidth_; }
    int BackHeight() const { return backHeight_; }
    int MaxDepth() const { return maxDepth_; }
    int SpriteWidth() const { return spriteWidth_; }
    int SpriteHeight() const { return spriteHeight_; }

    // The radius of the circle around a sprite drawn at `scale`: half the picture's diagonal,
    // scaled, without the fraction. It sizes the square that erases the drawing and keeps the
    // sprite near the edges.
    int radiusAt(float scale) const;

private:
    float newSpin();
    void eraseSquare(int left, int top, int side);
    void drawSpriteFrame(int left, int top);

    std::unique_ptr<SplashRandom> random_;
    Bitmap background_;
    Bitmap backBuffer_;
    Bitmap spriteFrame_;
    TImageArray spriteSource_;
    std::array<SplashSprite, SpriteCount> sprites_{};
    int backWidth_ = 0;
    int backHeight_ = 0;
    int maxDepth_ = 0;
    int spriteWidth_ = 0;
    int spriteHeight_ = 0;
};

} // namespace velarium
