import numpy as np
import pytest

EPS32, EPS64 = 2.0**-24, 2.0**-53  # unit roundoff


@pytest.fixture
def rng():
    return np.random.default_rng(20261207)


def placed(values, shift):
    """`values` in a fresh buffer, starting `shift` elements after its (aligned) first element,
    so kernels see starts off their vector alignment."""
    buffer = np.empty(values.size + shift, values.dtype)
    buffer[shift:] = values
    return buffer[shift:]


def sum_bound(terms, eps=EPS64):
    """Error bound of any summation order of `terms`: (n - 1) * u * sum |t| (Higham 4.3)."""
    terms = np.abs(np.asarray(terms, np.float64))
    return max(terms.size - 1, 1) * eps * terms.sum() * 1.01
