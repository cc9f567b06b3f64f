#version 410 core
// Pass-through: the quad already spans clip space and carries its texture coordinate.

layout(location = 0) in vec4 vPosition;
layout(location = 1) in vec2 vUV;

out vec2 vTexCoord;

void main() {
  gl_Position = vPosition;
  vTexCoord = vUV;
}
