#pragma once

// How much more often pairs of bits agree than bits set with probability p would by chance,
// as a share of what chance leaves to agree: 0 at chance, 1 where all agree, below 0 where
// they disagree more; 0 where every bit is the same, which tells nothing.
inline double agreementBeyondChance(double agreeing, double p) {
    const double chance = p * p + (1 - p) * (1 - p);
    return chance < 1 ? (agreeing - chance) / (1 - chance) : 0.0;
}
