// Found first by every link, session and terminal-tool file: these layers run
// without a window system, so any Qt Widgets header stops the build here.
#error "Qt Widgets is not available in this layer: move window code to a window library"
