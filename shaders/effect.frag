#version 410 core
// The effect's picture, one pixel at a time: the input's brightness mask first, then the
// "Paint" or the "Smoke" look, written unclamped and non-premultiplied. The noise, fbm and
// the two looks follow this text as separate pieces (noise.glsl, fbm.glsl, paint.glsl,
// smoke.glsl); the prototypes below tie them together.

in vec2 vTexCoord;
out vec4 fragColor;

uniform sampler2D InputTexture;
uniform float Time;
uniform vec2 Resolution;  // declared for the host side; never read
uniform float Relief;
uniform float WaveThickness;
uniform float Slipperiness;
uniform float Shininess;
uniform float LightSpin;
uniform float LightAmount;
uniform float NightMode;
uniform float Seed;
uniform vec3 ColorPaint;
uniform vec3 ColorLight;
uniform float Mode;
uniform float Fan;  // reserved; never read
uniform float SmokeAmount;
uniform float SmokeQuality;
uniform float ImageMask;
uniform float MaskPower;
uniform float MaskThreshold;

float hash(vec2 p);
float noise(vec2 p);
float fbm(vec2 p, float detail);
vec3 paintLook(vec2 uv, float t, float thickness);
vec3 smokeLook(vec2 uv, float t);

void main() {
  vec2 uv = vTexCoord;
  float t = Time;

  // The mask value is formed whether the mask is on or not.
  vec4 srcOriginal = texture(InputTexture, uv);
  float brightness = dot(srcOriginal.rgb, vec3(0.299, 0.587, 0.114));
  brightness = pow(brightness, MaskPower * 4.0 + 0.1);
  float maskFactor = brightness * srcOriginal.a;
  if (ImageMask > 0.5 && maskFactor < MaskThreshold) {
    discard;
  }

  float thickness = WaveThickness;
  vec3 finalCol;
  if (Mode < 0.5) {
    finalCol = paintLook(uv, t, thickness);
  } else {
    finalCol = smokeLook(uv, t);
  }

  float finalAlpha = 1.0;
  if (ImageMask > 0.5) {
    finalAlpha = maskFactor;
  }
  fragColor = vec4(finalCol, finalAlpha);
}
