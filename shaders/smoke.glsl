// "Smoke": drifting, rising smoke with an exponential density, thinned towards the
// bottom, darkened by a short self-shadow march and lifted by a glow; at night almost
// black smoke with two to six beams from the centre.
vec3 smokeLook(vec2 uv, float t) {
  // Flow: the branch's own clock, a drift along the seed's direction, and a rise.
  float flowSpeed = 0.1 + Slipperiness * 0.35;
  float smokeTime = t * flowSpeed;
  vec2 p = uv;
  float seedAngle = Seed * 1.7;
  vec2 seedDir = vec2(cos(seedAngle), sin(seedAngle));
  float driftAmount = 0.08 + Slipperiness * 0.15;
  p += seedDir * smokeTime * driftAmount;
  p.y -= smokeTime * 0.04;

  // Warped shape field.
  float detail = mix(0.25, 0.65, SmokeAmount);
  vec2 q = vec2(fbm(p + vec2(0.0, 0.0) + smokeTime * 0.10, detail),
                fbm(p + vec2(5.2, 1.3) + smokeTime * 0.08, detail));
  vec2 r = vec2(fbm(p + 2.5 * q + vec2(1.7, 9.2) + smokeTime * 0.14, detail),
                fbm(p + 2.5 * q + vec2(8.3, 2.8) + smokeTime * 0.11, detail));
  float smoke = fbm(p + 2.0 * r + smokeTime * 0.06, detail);
  float smoke2 = fbm(p * 1.6 + r + smokeTime * 0.09, detail);
  smoke = mix(smoke, smoke2, 0.35);

  // Coverage: the amount moves the thresholds, it is not an opacity.
  float thresholdLow = mix(0.55, 0.15, SmokeAmount);
  float thresholdHigh = mix(0.75, 0.55, SmokeAmount);
  smoke = smoothstep(thresholdLow, thresholdHigh, smoke);

  // Density, thinning to nothing at the bottom edge.
  float rawSmoke = fbm(p + 2.0 * r + smokeTime * 0.06, 0.5);
  float rawDensity = 1.0 - exp(-rawSmoke * 2.5);
  float density = 1.0 - exp(-smoke * 3.5);
  float height = smoothstep(0.0, 0.7, uv.y);
  density *= height;
  rawDensity *= height;

  // Self-shadow: a few samples stepping away from the light, never at the pixel itself.
  float lightAngle = LightSpin * 6.28318530718;
  vec3 lightDir = normalize(vec3(cos(lightAngle), sin(lightAngle), 0.7));
  int shadowSteps = int(mix(3.0, 5.0, SmokeQuality));
  float shadowStrength = mix(0.28, 0.18, SmokeQuality);
  float shadowClampMin = mix(0.4, 0.25, SmokeQuality);
  float shadow = 1.0;
  vec2 stepDir = -lightDir.xy * 0.025;
  vec2 sp = p;
  for (int i = 0; i < 5; ++i) {
    if (i >= shadowSteps) {
      break;
    }
    sp += stepDir;
    float s = fbm(sp + r, 0.5);
    shadow *= 1.0 - s * shadowStrength;
  }
  shadow = clamp(shadow, shadowClampMin, 1.0);

  // Day colour with a faint forward-scattering glow.
  vec3 smokeColor = ColorPaint * density * LightAmount * shadow;
  float glow = fbm(p + r - lightDir.xy * 0.1, 0.4);
  smokeColor += ColorPaint * glow * density * 0.25;
  vec3 finalCol = smokeColor;

  if (NightMode > 0.5) {
    // Night: evenly spread beams from the centre, seen through nearly black smoke.
    int numBeams = 2 + int(mod(Seed * 4.0, 5.0));
    vec3 beamColor = vec3(0.0);
    vec2 center = vec2(0.5, 0.5);
    for (int i = 0; i < 6; ++i) {
      if (i >= numBeams) {
        break;
      }
      float beamAngle = (float(i) / float(numBeams)) * 6.28318530718 + Seed * 1.5;
      vec2 beamDir = vec2(cos(beamAngle), sin(beamAngle));
      vec2 toPixel = uv - center;
      float dist = length(toPixel);
      if (dist > 0.01) {
        float alignment = dot(normalize(toPixel), beamDir);
        float beamWidth = 0.12;
        if (alignment > 1.0 - beamWidth) {
          float beamIntensity = smoothstep(1.0 - beamWidth, 1.0, alignment) * (rawDensity * 0.7 + 0.3) *
                                max(1.0 - dist * 0.5, 0.0);
          beamColor += ColorLight * beamIntensity * 1.2;
        }
      }
    }
    vec3 darkSmoke = vec3(0.01, 0.01, 0.012) * rawDensity;
    finalCol = darkSmoke + beamColor;
  }
  return finalCol;
}
