#pragma once
// What a long store routine reports while it runs. The wait window shows it;
// without one nothing is shown.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void open() {}
    // Progress from 0 to 1000.
    virtual void setPermille(int permille) = 0;
    virtual void close() {}
};
