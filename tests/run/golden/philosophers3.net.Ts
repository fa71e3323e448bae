Pelorin version 1.0.1alpha --- 06/25/05

parsed net philosophers3

12 places, 9 transitions

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

3 semiflow(s)

TIME

ANALYSIS COMPLETED -----------------------------------------
