// "Paint": a twice domain-warped field shaded as glossy paint relief. Every fbm here
// takes the wave thickness as its detail; time enters only through the second warp.
vec3 paintLook(vec2 uv, float t, float thickness) {
  vec2 q = vec2(fbm(uv + vec2(0.0, 0.0), thickness), fbm(uv + vec2(5.2, 1.3), thickness));
  vec2 r = vec2(fbm(uv + 4.0 * q + vec2(1.7, 9.2) + 0.15 * t, thickness),
                fbm(uv + 4.0 * q + vec2(8.3, 2.8) + 0.126 * t, thickness));
  float f = fbm(uv + 4.0 * r, thickness);

  // Base colour: paint, or with the mask on the warped input picture under the paint.
  vec2 warpMag = vec2((0.1 + Relief * 1.6) * (0.1 + LightAmount * 0.5));
  vec2 distortedUV = uv + r * warpMag.x;
  vec4 src = texture(InputTexture, distortedUV);
  vec3 paintColor = ColorPaint * (0.5 + 0.5 * f);
  vec3 finalCol;
  if (ImageMask > 0.5) {
    float paintMix = 0.3 + LightAmount * 0.15;
    finalCol = mix(src.rgb, paintColor, paintMix);
  } else {
    finalCol = paintColor;
  }

  // Normal from central differences around the already warped point.
  float eps = 0.003;
  vec2 warpedPos = uv + 4.0 * r;
  float hL = fbm(warpedPos + vec2(-eps, 0.0), thickness);
  float hR = fbm(warpedPos + vec2(eps, 0.0), thickness);
  float hD = fbm(warpedPos + vec2(0.0, -eps), thickness);
  float hU = fbm(warpedPos + vec2(0.0, eps), thickness);
  vec2 grad = vec2(hR - hL, hU - hD) / (2.0 * eps);
  vec2 d = grad * (Relief * 0.8 + 0.1);
  float slope = length(d);
  if (slope > 1.5) {
    d *= 1.5 / slope;
  }
  vec3 normal = normalize(vec3(-d.x, -d.y, 0.3));

  // The light: (-0.5, 0.5) turned counter-clockwise by the spin, lifted to z = 1.
  float angle = LightSpin * 6.28318530718;
  float cosA = cos(angle);
  float sinA = sin(angle);
  vec3 lightPos = normalize(vec3(cosA * (-0.5) - sinA * 0.5, sinA * (-0.5) + cosA * 0.5, 1.0));
  float diff = max(dot(normal, lightPos), 0.0);
  float specular = pow(max(dot(reflect(-lightPos, normal), vec3(0.0, 0.0, 1.0)), 0.0), 12.0);

  if (NightMode > 0.5) {
    // Night: only highlights and rims, in the light colour, on black.
    float rimDot = 1.0 - max(dot(normal, vec3(0.0, 0.0, 1.0)), 0.0);
    float rim = pow(rimDot, 2.0) * Shininess * 0.4;
    finalCol = ColorLight * specular * Shininess * 2.0 + ColorLight * rim;
  } else {
    float lightIntensity = 0.5 + LightAmount * 0.5;
    finalCol += ColorLight * specular * Shininess * 1.2 * lightIntensity;
    finalCol *= diff * lightIntensity * 0.5 + 0.5;
  }
  return finalCol;
}
