#pragma once
// The plugin's registered information block. It is filled when the library is loaded;
// code that links the plugin's internals statically names it to keep the registration in.

struct PluginInfoBlock;

PluginInfoBlock& SwirlmossPluginInfo();
