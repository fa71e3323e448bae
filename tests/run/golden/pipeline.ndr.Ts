Pelorin version 1.0.1alpha --- 06/25/05

parsed net pipeline

5 places, 4 transitions

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

1 semiflow(s)

TIME

ANALYSIS COMPLETED -----------------------------------------
