#pragma once

// Passes the quad through unchanged and hands texture coordinate set 0 on.
inline constexpr char kVertexShaderSource[] =
    "varying vec2 v_texCoord;\n"
    "void main()\n"
    "{\n"
    "    gl_Position = gl_Vertex;\n"
    "    v_texCoord = vec2(gl_MultiTexCoord0);\n"
    "}\n";

// Shows the pixel-buffer texture unchanged; the sampler keeps its historic name "font".
inline constexpr char kFragmentShaderSource[] =
    "#version 330\n"
    "uniform sampler2D font;\n"
    "varying vec2 v_texCoord;\n"
    "void main(void) {\n"
    "\tvec2 pos = v_texCoord.xy;\n"
    "\tgl_FragColor = texture(font, pos);\n"
    "}\n";
